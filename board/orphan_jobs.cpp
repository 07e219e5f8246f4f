#include "board/job_text.h"
#include "board/orphan_jobs.h"

#include <set>
#include <utility>

#include "board/colors.h"
#include "board/job_index.h"
#include "board/job_record.h"

namespace tervalo {

JobKey RowKey(const BoardState& board, const RowJob& job) {
  return {job.job_number, board.settings.TallRows ? job.request : 0};
}

namespace {

std::set<JobKey> JobsOnLists(BoardState& board) {
  std::set<JobKey> on_lists;
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    const GridModel& grid = board.Mg(n);
    for (int r = 0; r < grid.Rows(); ++r) on_lists.insert(RowKey(board, grid.JobOf(r)));
  }
  return on_lists;
}

// Open jobs go above the completed and billed ones that sink to the bottom of a list.
int EndOfOpenJobs(const GridModel& grid) {
  int row = grid.Rows();
  while (row > 0 && grid.JobOf(row - 1).finished) --row;
  return row;
}

}  // namespace

void PlaceOnList(BoardState& board, int n, const JobRecord& job, const std::string& text) {
  GridModel& grid = board.Mg(n);
  if (IsFinished(text)) {
    const int row = grid.Rows();
    grid.AddItem(text, row);
    grid.SetBackColor(row, 0, row, 0, kSystemButtonText);
    grid.SetForeColor(row, 0, row, 0, kWhite);
    grid.SetRowHidden(row, !board.chkHide);
    return;
  }
  const int row = EndOfOpenJobs(grid);
  grid.AddItem(text, row);
  grid.SetBackColor(row, 0, row, 0, board.settings.PriorityColorOf(job.priority));
}

void PlaceUnassigned(BoardState& board, const JobRecord& job, const std::string& text) {
  const int row = board.g.Rows();
  board.g.AddItem(SortKey(board.settings.SortOrder, job.reference, job.priority, job.date_in, job.job_number) + "\t" +
                  text);
  board.g.SetBackColor(row, 1, row, 1, board.settings.PriorityColorOf(job.priority));
}

namespace {

int UnassignedRowOf(const BoardState& board, int32_t job_number) {
  for (int r = 0; r < board.g.Rows(); ++r) {
    if (board.g.JobOf(r).job_number == job_number) return r;
  }
  return -1;
}

}  // namespace

std::vector<std::string> PutBackOrphanJobs(BoardState& board, JobRecordReader& reader,
                                           const std::vector<ScheduledJob>& scheduled) {
  std::vector<std::string> put_back;
  const std::set<JobKey> on_lists = JobsOnLists(board);
  bool unassigned_changed = false;
  for (const ScheduledJob& s : scheduled) {
    if (on_lists.count({s.job_number, s.request}) > 0) continue;
    const int n = board.mechanics.IndexOf(s.mechanic);
    if (n >= 0 && !board.schedules[static_cast<size_t>(n)].loaded) continue;
    // The unassigned grid shows open jobs only: a finished job of a mechanic who left the board
    // has no place on it.
    if (n < 0 && s.finished) continue;
    const JobRecord job = reader.Decode(s.record_number);
    const std::string text = JobRowText(reader, job, s.quote, s.label, board.settings);
    if (n >= 0) {
      PlaceOnList(board, n, job, text);
      put_back.push_back("Job " + std::to_string(s.job_number) + ": " + board.mechanics.MechanicName[static_cast<size_t>(n)]);
    } else {
      PlaceUnassigned(board, job, text);
      unassigned_changed = true;
      put_back.push_back("Job " + std::to_string(s.job_number) + ": Unassigned Jobs");
    }
  }
  if (unassigned_changed) board.g.SortColumn0Ascending();
  return put_back;
}

void ReturnDroppedJobs(BoardState& board, JobRecordReader& reader, const JobIndex& index,
                       const GridModel& rows) {
  const std::set<JobKey> on_lists = JobsOnLists(board);
  bool unassigned_changed = false;
  for (int r = 0; r < rows.Rows(); ++r) {
    const std::string& text = rows.TextMatrix(r, 0);
    const JobKey key = RowKey(board, rows.JobOf(r));
    const int32_t job_number = key.first;
    if (on_lists.count(key) > 0) continue;
    const int32_t record = index.RecordNumber(job_number);
    if (!reader.Exists(record)) continue;  // the job is gone
    const JobRecord job = reader.Decode(record);
    // Still unassigned here, but marked for a mechanic by another workstation since: this
    // board's unassigned grid is out of date, and the job goes to that mechanic's list.
    const int in_g = UnassignedRowOf(board, job_number);
    if (in_g >= 0) {
      if (job.mechanic == 0) continue;
      board.g.RemoveItem(in_g);
    }
    const int n = board.mechanics.IndexOf(job.mechanic);
    if (job.mechanic != 0 && n >= 0 && board.schedules[static_cast<size_t>(n)].loaded) {
      PlaceOnList(board, n, job, text);
    } else if (job.mechanic == 0) {
      PlaceUnassigned(board, job, text);
      unassigned_changed = true;
    }
  }
  if (unassigned_changed) board.g.SortColumn0Ascending();
}

void DropListedFromUnassigned(BoardState& board) {
  const std::set<JobKey> on_lists = JobsOnLists(board);
  for (int r = board.g.Rows() - 1; r >= 0; --r) {
    if (on_lists.count(RowKey(board, board.g.JobOf(r))) > 0) board.g.RemoveItem(r);
  }
}

}  // namespace tervalo
