#include "board/grid_refresh.h"

#include <optional>

#include "base/basic_text.h"
#include "board/job_loading.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "board/row_records.h"
#include "engine/business_basic.h"

namespace tervalo {
namespace {

// The record a row stands for. A tall row's request is found along the chain from the job's
// index record to the record whose request number matches the row's (characters 5-6 of line 6);
// the last record read when the chain ends first. A normal row's is its own request's record.
std::optional<JobRecord> RowRecord(BoardState& board, JobRecordReader& reader, RowRecords& records, int n, int r,
                                   int32_t record_number, int32_t request) {
  if (record_number < 1 || !reader.Exists(record_number)) return std::nullopt;
  if (!board.settings.TallRows) {
    const int32_t own = records.Of(n, r);
    return reader.Decode(reader.Exists(own) ? own : record_number);
  }
  JobRecord job = reader.Decode(record_number);
  for (int hops = 0; hops < kMaxRequests && job.request_number != request; ++hops) {
    if (job.chain_flag < 2 || !reader.Exists(job.next_link)) break;
    job = reader.Decode(job.next_link);
  }
  return job;
}

void RefreshRow(BoardState& board, GridModel& grid, int row, std::vector<std::string>& lines,
                const JobRecord& job) {
  const BoardSettings& settings = board.settings;
  grid.SetBackColor(row, 0, row, 0, settings.PriorityColorOf(job.priority));
  std::string status = StatusText(job.status, settings);
  if (job.status == 'C' || job.status == 'B') {
    grid.SetBackColor(row, 0, row, 0, kSystemButtonText);
    grid.SetForeColor(row, 0, row, 0, kWhite);
  }
  while (lines.size() < 3) lines.emplace_back();
  // The date and its " - " stay; the priority name after them is replaced.
  lines[1] = std::string(Left(lines[1], 11)) + settings.PriorityName(job.priority) +
             std::string(Mid(lines[1], 22));
  lines[2] = status;
  grid.SetTextMatrix(row, 0, JoinLines(lines));
}

int32_t PriorityOfJob(JobRecordReader& reader, const JobIndex& index, int32_t job_number,
                      std::optional<JobRecord>& job) {
  const int32_t record_number = index.RecordNumber(job_number);
  if (reader.Exists(record_number)) job = reader.Decode(record_number);
  return job ? job->priority : 1;
}

}  // namespace

std::string WhyNoRecord(const JobIndex& index, int32_t job_number) {
  return index.RecordNumber(job_number) < 1 ? "not in the job index" : "its record is missing from the invoice file";
}

bool UpdateGrid(BoardState& board, JobRecordReader& reader, const JobIndex& index, int n,
                std::vector<DroppedRow>& dropped) {
  GridModel& grid = board.Mg(n);
  RowRecords records(board, reader, index);
  std::vector<DroppedRow> here;  // bottom up; told top down
  for (int r = grid.Rows() - 1; r >= 0; --r) {
    const RowJob row = grid.JobOf(r);
    if (row.job_number < 1) return false;
    const int32_t record_number = index.RecordNumber(row.job_number);
    const auto job = RowRecord(board, reader, records, n, r, record_number, row.request);
    if (job && job->mechanic != 0 && job->reference == row.reference) {
      std::vector<std::string> lines = SplitLines(grid.TextMatrix(r, 0));
      RefreshRow(board, grid, r, lines, *job);
      continue;
    }
    std::string reason;
    if (!job) {
      reason = WhyNoRecord(index, row.job_number);
    } else if (job->mechanic == 0) {
      reason = "its invoice record says it is unassigned";
    } else {
      reason = "its invoice record now holds reference " + std::to_string(job->reference) + ", not " +
               std::to_string(row.reference);
    }
    here.push_back({n, row.job_number, std::move(reason)});
    grid.RemoveItem(r);
  }
  dropped.insert(dropped.end(), here.rbegin(), here.rend());
  return true;
}

std::vector<int32_t> MechanicJobRecords(const BoardState& board, const JobIndex& index) {
  std::vector<int32_t> records;
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    const GridModel& grid = *board.mg[static_cast<size_t>(n)];
    for (int r = 0; r < grid.Rows(); ++r) {
      const int32_t record_number = index.RecordNumber(grid.JobOf(r).job_number);
      if (record_number > 0) records.push_back(record_number);
    }
  }
  return records;
}

std::vector<DroppedRow> UpdateGrids(BoardState& board, JobRecordReader& reader, const JobIndex& index) {
  ReadNames(reader.engine(), board.settings);
  // A row's request is found along its job's chain (a job with one request has none).
  reader.ReadJobs(MechanicJobRecords(board, index), true);
  std::vector<DroppedRow> dropped;
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    if (!UpdateGrid(board, reader, index, n, dropped)) break;
  }
  return dropped;
}

std::string GetSortCol(BoardState& board, JobRecordReader& reader, const JobIndex& index, int32_t Jobr) {
  std::optional<JobRecord> job;
  const int32_t priority = PriorityOfJob(reader, index, Jobr, job);
  return SortKey(board.settings.SortOrder, job ? job->reference : 0, priority, job ? job->date_in : 0, Jobr);
}

Color GetColor(BoardState& board, JobRecordReader& reader, const JobIndex& index, int32_t job_number) {
  if (job_number < 1) return kBlack;
  std::optional<JobRecord> job;
  return board.settings.PriorityColorOf(PriorityOfJob(reader, index, job_number, job));
}

}  // namespace tervalo
