#include "board/orphan_jobs.h"

#include <set>
#include <utility>

#include "board/job_index.h"
#include "board/job_record.h"

namespace tervalo {
namespace {

using JobKey = std::pair<int32_t, int32_t>;  // job number, request number (tall rows only)

std::set<JobKey> JobsOnLists(BoardState& board) {
  std::set<JobKey> on_lists;
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    const GridModel& grid = board.Mg(n);
    for (int r = 0; r < grid.Rows(); ++r) {
      const std::string& text = grid.TextMatrix(r, 0);
      on_lists.insert({GetJobNumber(text), board.settings.TallRows ? RequestNumberOf(text) : 0});
    }
  }
  return on_lists;
}

// Open jobs go above the completed and billed ones that sink to the bottom of a list.
int EndOfOpenJobs(const GridModel& grid) {
  int row = grid.Rows();
  while (row > 0 && IsFinished(grid.TextMatrix(row - 1, 0))) --row;
  return row;
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
    const JobRecord job = reader.Decode(s.record_number);
    const std::string text = JobRowText(reader.engine(), job, s.quote, s.label, board.settings);
    const Color color = board.settings.PriorityColorOf(job.priority);
    if (n >= 0) {
      GridModel& grid = board.Mg(n);
      const int row = EndOfOpenJobs(grid);
      grid.AddItem(text, row);
      grid.SetBackColor(row, 0, row, 0, color);
      put_back.push_back("Job " + std::to_string(s.job_number) + ": " + board.mechanics.MechanicName[static_cast<size_t>(n)]);
    } else {
      const int row = board.g.Rows();
      board.g.AddItem(SortKey(board.settings.SortOrder, job.reference, job.priority, job.date_in, job.job_number) +
                      "\t" + text);
      board.g.SetBackColor(row, 1, row, 1, color);
      unassigned_changed = true;
      put_back.push_back("Job " + std::to_string(s.job_number) + ": Unassigned Jobs");
    }
  }
  if (unassigned_changed) board.g.SortColumn0Ascending();
  return put_back;
}

}  // namespace tervalo
