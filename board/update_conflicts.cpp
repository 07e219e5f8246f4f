#include "board/update_conflicts.h"

#include <algorithm>
#include <map>

#include "board/grid_refresh.h"
#include "board/job_loading.h"
#include "board/job_record.h"
#include "board/orphan_jobs.h"
#include "board/row_records.h"
#include "board/schedule_files.h"

namespace tervalo {

UpdateAnswer DefaultAnswer(const UpdateQuestion& question) {
  return {std::vector<bool>(question.jobs.size(), false),
          std::vector<ListChoice>(question.lists.size(), ListChoice::kKeepBoth)};
}

namespace {

GridModel& GridOf(BoardState& board, int grid) { return grid == kUnassignedGrid ? board.g : board.Mg(grid); }

const std::string& NameOf(const BoardState& board, int list) {
  static const std::string unassigned = "Unassigned Jobs";
  return list == kUnassignedGrid ? unassigned : board.mechanics.MechanicName[static_cast<size_t>(list)];
}

int NumberOf(const BoardState& board, int list) {
  return list == kUnassignedGrid ? 0 : board.mechanics.MechanicNumber[static_cast<size_t>(list)];
}

int RowOfKey(const BoardState& board, const GridModel& grid, const JobKey& key) {
  for (int r = 0; r < grid.Rows(); ++r) {
    if (RowKey(board, grid.JobOf(r)) == key) return r;
  }
  return -1;
}

// Removes every row of the job from a grid; the rows removed, a job text in column 0 of each.
GridModel RemoveKey(BoardState& board, int grid_number, const JobKey& key) {
  GridModel& grid = GridOf(board, grid_number);
  const int col = grid_number == kUnassignedGrid ? 1 : 0;
  GridModel removed(1, 0);
  for (int r = grid.Rows() - 1; r >= 0; --r) {
    if (RowKey(board, grid.JobOf(r)) != key) continue;
    removed.AddItem(grid.TextMatrix(r, col), 0);
    grid.RemoveItem(r);
  }
  return removed;
}

// Puts the job on a grid that lacks it, built from its text; false when its record is gone.
bool PlaceJob(BoardState& board, JobRecordReader& reader, const JobIndex& index, int grid, const JobKey& key,
              const std::string& text) {
  if (RowOfKey(board, GridOf(board, grid), key) >= 0) return true;
  const int32_t record = RecordOfKey(board.settings, reader, index, key);
  if (!reader.Exists(record)) return false;
  const JobRecord job = reader.Decode(record);
  if (grid == kUnassignedGrid) {
    PlaceUnassigned(board, job, text);
    board.g.SortColumn0Ascending();
  } else {
    PlaceOnList(board, grid, job, text);
  }
  return true;
}

std::string JobList(const std::vector<int32_t>& jobs) {
  std::string text;
  for (const int32_t job : jobs) text += (text.empty() ? "" : ", ") + std::to_string(job);
  return (jobs.size() == 1 ? "job " : "jobs ") + text;
}

// The list's file as now known becomes what this board last read of it.
void AdoptDisk(BoardState& board, int n, const ListSides& sides) {
  ScheduleState& state = board.schedules[static_cast<size_t>(n)];
  state.on_disk = sides.disk;
  state.stamp = sides.disk_stamp;
}

// Takes another workstation's list into grid n. Jobs this board had on it that the other list
// lacks and that no other list here holds go back where their record says: to the list of the
// mechanic it is marked for, or to the unassigned grid. Returns the jobs added here that left.
std::vector<int32_t> TakeTheirs(BoardState& board, JobRecordReader& reader, const JobIndex& index, int n,
                                const ListSides& sides, std::vector<DroppedRow>& gone) {
  GridModel& grid = board.Mg(n);
  GridModel mine(1, 0);
  mine.RestoreContents(grid.SaveContents());
  std::vector<int32_t> dropped;
  for (int r = 0; r < mine.Rows(); ++r) {
    const JobKey key = RowKey(board, mine.JobOf(r));
    if (sides.base_keys.count(key) == 0 && sides.disk_keys.count(key) == 0) dropped.push_back(key.first);
  }
  grid.SetRows(0);
  if (sides.disk) FillGrid(grid, *sides.disk);
  grid.SetRedraw(true);
  AdoptDisk(board, n, sides);
  UpdateGrid(board, reader, index, n, gone);
  DropListedFromUnassigned(board);
  ReturnDroppedJobs(board, reader, index, mine);
  return dropped;
}

// This board's list with the other workstation's changes: jobs removed there leave it (unless
// this board added them), jobs added there join it at the end of its open jobs; those whose
// record is gone here are noted in `gone`.
void KeepBoth(BoardState& board, JobRecordReader& reader, const JobIndex& index, int n, const ListSides& sides,
              std::vector<DroppedRow>& gone) {
  GridModel& grid = board.Mg(n);
  GridModel removed(1, 0);
  for (int r = grid.Rows() - 1; r >= 0; --r) {
    const JobKey key = RowKey(board, grid.JobOf(r));
    if (sides.base_keys.count(key) == 0 || sides.disk_keys.count(key) > 0) continue;
    removed.AddItem(grid.TextMatrix(r, 0), 0);
    grid.RemoveItem(r);
  }
  GridModel theirs(1, 0);
  if (sides.disk) FillGrid(theirs, *sides.disk);
  for (int r = 0; r < theirs.Rows(); ++r) {
    const JobKey key = RowKey(board, theirs.JobOf(r));
    if (sides.base_keys.count(key) > 0 || PlaceJob(board, reader, index, n, key, theirs.TextMatrix(r, 0))) continue;
    gone.push_back({n, key.first, WhyNoRecord(index, key.first)});
  }
  // No refresh of the rows here: the jobs added here are not marked for the mechanic yet.
  AdoptDisk(board, n, sides);
  DropListedFromUnassigned(board);
  ReturnDroppedJobs(board, reader, index, removed);
}

// This board's list as it is: jobs added there go back to the unassigned jobs (freed once the
// list is saved without them), unless another list here holds them; those whose record is gone
// here are noted with the settlement's dropped rows.
std::vector<int32_t> KeepMine(BoardState& board, JobRecordReader& reader, const JobIndex& index, int n,
                              const ListSides& sides, Settlement& settlement) {
  GridModel theirs(1, 0);
  if (sides.disk) FillGrid(theirs, *sides.disk);
  std::vector<int32_t> dropped;
  for (int r = 0; r < theirs.Rows(); ++r) {
    const JobKey key = RowKey(board, theirs.JobOf(r));
    if (sides.base_keys.count(key) > 0 || RowOfKey(board, board.Mg(n), key) >= 0) continue;
    bool elsewhere = false;
    for (int m = 0; m < board.mechanics.MechanicCount && !elsewhere; ++m) {
      elsewhere = RowOfKey(board, board.Mg(m), key) >= 0;
    }
    if (!elsewhere && !PlaceJob(board, reader, index, kUnassignedGrid, key, theirs.TextMatrix(r, 0))) {
      settlement.dropped.push_back({n, key.first, WhyNoRecord(index, key.first)});
      continue;
    }
    dropped.push_back(key.first);
    settlement.marks.push_back({key, n, 0, NumberOf(board, n)});
  }
  AdoptDisk(board, n, sides);
  return dropped;
}

void SettleList(BoardState& board, JobRecordReader& reader, const JobIndex& index, const ListSides& sides,
                const ListConflict& conflict, ListChoice choice, Settlement& settlement) {
  const int n = conflict.list;
  const std::string& name = NameOf(board, n);
  if (choice == ListChoice::kTakeTheirs) {
    const std::vector<int32_t> dropped = TakeTheirs(board, reader, index, n, sides, settlement.dropped);
    if (!dropped.empty()) {
      settlement.lines.push_back(name + ": the other workstation's list was taken; your move of " + JobList(dropped) +
                                 " to it was not saved");
    }
  } else if (choice == ListChoice::kKeepMine) {
    const std::vector<int32_t> dropped = KeepMine(board, reader, index, n, sides, settlement);
    if (!dropped.empty()) {
      settlement.lines.push_back(name + ": your list was kept; " + JobList(dropped) +
                                 " put on it on another workstation went to Unassigned Jobs");
    }
  } else {
    KeepBoth(board, reader, index, n, sides, settlement.dropped);
  }
}

void SettleJob(BoardState& board, JobRecordReader& reader, const JobIndex& index, const JobConflict& conflict,
               bool keep_here, Settlement& settlement) {
  const int keep = keep_here ? conflict.here : conflict.there;
  for (int m = 0; m < board.mechanics.MechanicCount; ++m) {
    if (m != keep) RemoveKey(board, m, conflict.key);
  }
  if (keep != kUnassignedGrid) RemoveKey(board, kUnassignedGrid, conflict.key);
  PlaceJob(board, reader, index, keep, conflict.key, conflict.text);
  const std::string job = "job " + std::to_string(conflict.key.first);
  const std::string& here = NameOf(board, conflict.here);
  const std::string& there = NameOf(board, conflict.there);
  if (keep_here) {
    // Taken off the other mechanic's list: his list is saved without it, then the mark follows.
    if (conflict.here == kUnassignedGrid) {
      settlement.marks.push_back({conflict.key, conflict.there, 0, NumberOf(board, conflict.there)});
      settlement.lines.push_back(job + " taken off " + there + " and sent back to Unassigned Jobs as you chose");
    } else {
      settlement.lines.push_back(job + " taken off " + there + " and given to " + here + " as you chose");
    }
  } else {
    settlement.marks.push_back({conflict.key, conflict.there, NumberOf(board, conflict.there), std::nullopt});
    settlement.lines.push_back(job + " stays with " + there + " (given there on another workstation); your " +
                               (conflict.here == kUnassignedGrid ? "send-back" : "move to " + here) +
                               " was not saved");
  }
}

}  // namespace

std::vector<JobConflict> FindJobConflicts(BoardState& board, JobRecordReader& reader, const JobIndex& index,
                                          const std::vector<ListSides>& lists) {
  // Where this board last read each job: the first list whose file held it, else unassigned.
  std::map<JobKey, int> read_on;
  for (size_t n = 0; n < lists.size(); ++n) {
    for (const JobKey& key : lists[n].base_keys) read_on.emplace(key, static_cast<int>(n));
  }
  // A normal row of a job with several requests does not say which it is: two rows of such a job
  // on two lists may well be two requests, so their moves are not weighed against each other.
  const auto tells_requests_apart = [&](int32_t job_number) {
    if (board.settings.TallRows) return true;
    const int32_t record = index.RecordNumber(job_number);
    return !reader.Exists(record) || reader.Decode(record).chain_flag < 2;
  };
  std::vector<JobConflict> moved;
  for (size_t n = 0; n < lists.size(); ++n) {
    if (!lists[n].loaded || !lists[n].changed_here) continue;
    const GridModel& grid = board.Mg(static_cast<int>(n));
    for (int r = 0; r < grid.Rows(); ++r) {
      const JobKey key = RowKey(board, grid.JobOf(r));
      if (key.first > 0 && lists[n].base_keys.count(key) == 0) {
        moved.push_back({key, grid.TextMatrix(r, 0), static_cast<int>(n), 0});
      }
    }
  }
  // Jobs sent back here left a list changed here; the unassigned grid (thousands of rows) is
  // looked through only for those.
  std::set<JobKey> left;
  for (size_t n = 0; n < lists.size(); ++n) {
    if (!lists[n].loaded || !lists[n].changed_here) continue;
    std::set<JobKey> here;
    const GridModel& grid = board.Mg(static_cast<int>(n));
    for (int r = 0; r < grid.Rows(); ++r) here.insert(RowKey(board, grid.JobOf(r)));
    for (const JobKey& key : lists[n].base_keys) {
      if (here.count(key) == 0) left.insert(key);
    }
  }
  for (int r = 0; r < board.g.Rows() && !left.empty(); ++r) {
    const JobKey key = RowKey(board, board.g.JobOf(r));
    if (left.count(key) > 0) moved.push_back({key, board.g.TextMatrix(r, 1), kUnassignedGrid, 0});
  }
  std::vector<int32_t> records;
  for (const JobConflict& job : moved) {
    const int32_t record = index.RecordNumber(job.key.first);
    if (reader.Exists(record)) records.push_back(record);
  }
  reader.ReadJobs(records, board.settings.TallRows);
  std::vector<JobConflict> conflicts;
  for (JobConflict& job : moved) {
    if (!tells_requests_apart(job.key.first)) continue;
    job.there = kUnassignedGrid;
    for (size_t m = 0; m < lists.size() && job.there == kUnassignedGrid; ++m) {
      const ListSides& sides = lists[m];
      if (static_cast<int>(m) == job.here || !sides.changed_there) continue;
      if (sides.disk_keys.count(job.key) > 0 && sides.base_keys.count(job.key) == 0) job.there = static_cast<int>(m);
    }
    if (job.there == kUnassignedGrid) {
      const int32_t record = RecordOfKey(board.settings, reader, index, job.key);
      if (!reader.Exists(record)) continue;
      const int32_t mark = reader.Decode(record).mechanic;
      const auto known = read_on.find(job.key);
      const int32_t expected = known == read_on.end() ? 0 : NumberOf(board, known->second);
      const int m = board.mechanics.IndexOf(mark);
      if (mark == 0 || mark == expected || m < 0 || m == job.here || !lists[static_cast<size_t>(m)].loaded) continue;
      job.there = m;
    }
    conflicts.push_back(std::move(job));
  }
  return conflicts;
}

ListConflict DiffList(BoardState& board, int n, const ListSides& sides) {
  ListConflict diff;
  diff.list = n;
  std::set<JobKey> here;
  const GridModel& grid = board.Mg(n);
  for (int r = 0; r < grid.Rows(); ++r) here.insert(RowKey(board, grid.JobOf(r)));
  const auto only = [](const std::set<JobKey>& a, const std::set<JobKey>& b) {
    std::vector<int32_t> jobs;
    for (const JobKey& key : a) {
      if (b.count(key) == 0) jobs.push_back(key.first);
    }
    return jobs;
  };
  diff.added_here = only(here, sides.base_keys);
  diff.removed_here = only(sides.base_keys, here);
  diff.added_there = only(sides.disk_keys, sides.base_keys);
  diff.removed_there = only(sides.base_keys, sides.disk_keys);
  return diff;
}

Settlement Settle(BoardState& board, JobRecordReader& reader, const JobIndex& index, const std::vector<ListSides>& lists,
                  const UpdateQuestion& question, const UpdateAnswer& answer) {
  Settlement settlement;
  bool changed = !question.lists.empty() || !question.jobs.empty();
  // Lists changed only there are taken first, so that the settled lists see every job's place.
  for (size_t n = 0; n < lists.size(); ++n) {
    if (lists[n].loaded && lists[n].changed_there && !lists[n].changed_here) {
      TakeTheirs(board, reader, index, static_cast<int>(n), lists[n], settlement.dropped);
      changed = true;
    }
  }
  if (!changed) return settlement;
  settlement.touched = true;
  for (size_t k = 0; k < question.lists.size(); ++k) {
    const ListConflict& conflict = question.lists[k];
    const ListChoice choice = k < answer.lists.size() ? answer.lists[k] : ListChoice::kKeepBoth;
    SettleList(board, reader, index, lists[static_cast<size_t>(conflict.list)], conflict, choice, settlement);
  }
  for (size_t k = 0; k < question.jobs.size(); ++k) {
    SettleJob(board, reader, index, question.jobs[k], k < answer.keep_here.size() && answer.keep_here[k], settlement);
  }
  DropListedFromUnassigned(board);
  return settlement;
}

}  // namespace tervalo
