#include "board/list_update.h"

#include <algorithm>
#include <tuple>

#include "board/grid_refresh.h"
#include "board/job_index.h"
#include "board/job_loading.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "board/list_repair.h"
#include "board/orphan_jobs.h"
#include "board/owned_bytes.h"
#include "board/schedule_files.h"
#include "engine/business_basic.h"
#include "environment/catalog_config.h"
#include "host/file_replace.h"
#include "host/host.h"

namespace tervalo {

std::string UpdateResult::Message() const {
  constexpr size_t kMaxLines = 12;
  std::string text = "Not everything could be saved:\n";
  for (size_t i = 0; i < failures.size() && i < kMaxLines; ++i) {
    const SaveFailure& f = failures[i];
    text += "\n" + (f.mechanic.empty() ? std::string() : f.mechanic + ": ") + f.reason;
  }
  if (failures.size() > kMaxLines) text += "\n... and " + std::to_string(failures.size() - kMaxLines) + " more";
  return text + "\n\nThe jobs are still on the board here; try Update again.";
}

namespace {

// The order in which the lists are saved: a list that holds jobs still marked for another
// mechanic (moved here since the last save) goes before that mechanic's list, and that list is
// saved only when the one that gained from it was. Lists that gain from each other in a circle
// are saved in board order; the start-up puts back what a stop in the middle of such a circle
// leaves on no list.
struct SavePlan {
  std::vector<int> order;
  std::vector<std::vector<int>> gainers;  // gainers[m]: the lists holding jobs still marked for m
  std::vector<std::vector<std::string>> leaving;  // leaving[m]: those jobs' texts
  std::vector<int> circle;                        // lists that gain from each other in a circle
};

SavePlan PlanSave(BoardState& board, JobRecordReader& reader, const JobIndex& index,
                  const std::vector<bool>& changed) {
  const int count = board.mechanics.MechanicCount;
  std::vector<std::vector<int>> before(static_cast<size_t>(count));  // before[n]: lists n must precede
  std::vector<int> waiting(static_cast<size_t>(count), 0);
  std::vector<std::vector<std::string>> leaving(static_cast<size_t>(count));
  // Only a list changed here can hold a job taken from another list (saved or not, it decides
  // whether that other list may be saved); their jobs' records are read in a few large reads.
  std::vector<int32_t> records;
  for (int n = 0; n < count; ++n) {
    if (!changed[static_cast<size_t>(n)]) continue;
    const GridModel& grid = board.Mg(n);
    for (int r = 0; r < grid.Rows(); ++r) records.push_back(index.RecordNumber(grid.JobOf(r).job_number));
  }
  std::erase_if(records, [&](int32_t record) { return !reader.Exists(record); });
  reader.ReadJobs(records, false);
  for (int n = 0; n < count; ++n) {
    if (!changed[static_cast<size_t>(n)]) continue;
    const int number = board.mechanics.MechanicNumber[static_cast<size_t>(n)];
    GridModel& grid = board.Mg(n);
    for (int r = 0; r < grid.Rows(); ++r) {
      const int32_t record = index.RecordNumber(grid.JobOf(r).job_number);
      if (!reader.Exists(record)) continue;
      // A mark that cannot be read ends the Update before anything is written: without it the
      // order that keeps every job on a list is not known.
      const int32_t marked = reader.Decode(record).mechanic;
      const int from = board.mechanics.IndexOf(marked);
      if (marked == 0 || marked == number || from < 0) continue;
      before[static_cast<size_t>(n)].push_back(from);
      ++waiting[static_cast<size_t>(from)];
      leaving[static_cast<size_t>(from)].push_back(grid.TextMatrix(r, 0));
    }
  }
  SavePlan plan;
  plan.leaving = std::move(leaving);
  plan.gainers.resize(static_cast<size_t>(count));
  for (int n = 0; n < count; ++n) {
    for (int m : before[static_cast<size_t>(n)]) plan.gainers[static_cast<size_t>(m)].push_back(n);
  }
  std::vector<int>& order = plan.order;
  std::vector<bool> placed(static_cast<size_t>(count), false);
  for (bool progress = true; progress;) {
    progress = false;
    for (int n = 0; n < count; ++n) {
      if (placed[static_cast<size_t>(n)] || waiting[static_cast<size_t>(n)] > 0) continue;
      placed[static_cast<size_t>(n)] = true;
      order.push_back(n);
      for (int m : before[static_cast<size_t>(n)]) --waiting[static_cast<size_t>(m)];
      progress = true;
    }
  }
  for (int n = 0; n < count; ++n) {
    if (!placed[static_cast<size_t>(n)]) plan.circle.push_back(n);
  }
  order.insert(order.end(), plan.circle.begin(), plan.circle.end());
  return plan;
}

// Lists that gain from each other in a circle cannot be saved one after the other without a
// moment where a job is on neither. Each is first written with its new rows and the rows it is
// giving away, so that every job is on at least one list until all of them are saved.
bool SaveCircleFirst(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board, const SavePlan& plan,
                     const std::vector<bool>& to_save, UpdateResult& result) {
  for (int n : plan.circle) {
    const auto i = static_cast<size_t>(n);
    if (!to_save[i]) continue;
    std::string text = ScheduleText(board.Mg(n));
    for (const std::string& row : plan.leaving[i]) text += ScheduleLine(row);
    const HostStatus written = ReplaceFileContents(engine.host(), SchedulePath(info, board.mechanics.MechanicNumber[i]), text);
    if (!written.ok()) {
      result.failures.push_back({board.mechanics.MechanicName[i], "Could not write " + written.Message()});
      return false;
    }
  }
  return true;
}

// Saves one list: the file first, then the marks of its jobs, so that a mark never points at a
// list that is not on disk. Returns whether the file was written.
bool SaveList(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board, JobRecordReader& reader,
              const JobIndex& index, int n, UpdateResult& result) {
  const std::string& name = board.mechanics.MechanicName[static_cast<size_t>(n)];
  const int number = board.mechanics.MechanicNumber[static_cast<size_t>(n)];
  GridModel& grid = board.Mg(n);
  const std::string path = SchedulePath(info, number);
  const std::string text = ScheduleText(grid);
  const bool removing = grid.Rows() == 0;
  const HostStatus saved = removing ? RemoveSharedFile(engine.host(), path) : ReplaceFileContents(engine.host(), path, text);
  if (!saved.ok()) {
    result.failures.push_back({name, (removing ? "Could not remove " : "Could not write ") + saved.Message()});
    return false;
  }
  ScheduleState& state = board.schedules[static_cast<size_t>(n)];
  state.on_disk = grid.Rows() == 0 ? std::nullopt : std::optional<std::string>(text);
  state.stamp.reset();
  for (int r = 0; r < grid.Rows(); ++r) {
    // A row without a job number marks nothing but stays in the mechanic's list.
    const int32_t job_number = grid.JobOf(r).job_number;
    const int32_t record = index.RecordNumber(job_number);
    if (record < 1) continue;
    try {
      if (reader.Exists(record) && reader.Decode(record).mechanic == number) continue;
      MarkJob(engine, record, number);
    } catch (const EngineError& e) {
      result.failures.push_back({name, "job " + std::to_string(job_number) + " could not be marked: " + e.description()});
    }
  }
  return true;
}

// The jobs of a list in order, as the board tells them apart: job, reference and request number.
// Refreshed status lines do not change it; a move does.
using Assignment = std::vector<std::tuple<int32_t, int32_t, int32_t>>;

Assignment AssignmentOf(const GridModel& grid) {
  Assignment jobs;
  jobs.reserve(static_cast<size_t>(grid.Rows()));
  for (int r = 0; r < grid.Rows(); ++r) {
    const RowJob& job = grid.JobOf(r);
    jobs.emplace_back(job.job_number, job.reference, job.request);
  }
  return jobs;
}

// The rows of a list's file, or none when there is no file.
GridModel ListOf(const std::optional<std::string>& file) {
  GridModel grid(1, 0);
  if (file) FillGrid(grid, *file);
  return grid;
}

Assignment AssignmentOf(const std::optional<std::string>& file) { return AssignmentOf(ListOf(file)); }

// Whether list n's jobs or their order differ here from its file as last read or written.
bool ChangedHere(BoardState& board, size_t n) {
  return AssignmentOf(board.Mg(static_cast<int>(n))) != AssignmentOf(board.schedules[n].on_disk);
}

enum class ListAction { kNothing, kSave, kTake, kAsk, kCannotCheck };

// What to do with each list, from what changed here (the jobs or their order) and what changed
// on disk since this board last read or wrote it (another workstation saved it). A list that did
// not change here is read only when its file's stamp changed; a changed one is always read, so
// that a save never goes over another workstation's list unseen.
std::vector<ListAction> CompareLists(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board,
                                     std::vector<ScheduleRead>& current, UpdateResult& result) {
  const auto count = static_cast<size_t>(board.mechanics.MechanicCount);
  std::vector<ListAction> actions(count, ListAction::kNothing);
  current.assign(count, ScheduleRead{});
  for (size_t i = 0; i < count; ++i) {
    ScheduleState& state = board.schedules[i];
    if (!state.loaded) continue;
    const std::string path = SchedulePath(info, board.mechanics.MechanicNumber[i]);
    const bool mine = ChangedHere(board, i);
    std::optional<ScheduleRead> now = ReadScheduleIfChanged(engine.host(), path, mine ? std::nullopt : state.stamp);
    if (!now) continue;
    // A file gone since it was read may be a save cut short between the old file's removal and
    // the new one's rename (here or on another workstation): its finished list is put in place.
    if (now->problem.empty() && !now->text && state.on_disk && RepairList(engine.host(), path)) {
      now = ReadSchedule(engine.host(), path);
      result.restored.push_back(board.mechanics.MechanicName[i]);
    }
    current[i] = std::move(*now);
    const ScheduleRead& read = current[i];
    if (!read.problem.empty()) {
      result.failures.push_back({board.mechanics.MechanicName[i], read.problem});
      actions[i] = ListAction::kCannotCheck;
      continue;
    }
    const bool theirs = read.text != state.on_disk;
    if (!theirs) state.stamp = read.stamp;
    // Both sides made the same change (two boards moved the same job to the same place, or a
    // save of this board's was completed from its finished version): nothing to ask.
    if (mine && theirs && AssignmentOf(board.Mg(static_cast<int>(i))) == AssignmentOf(read.text)) {
      actions[i] = ListAction::kSave;
      continue;
    }
    actions[i] = mine ? (theirs ? ListAction::kAsk : ListAction::kSave) : (theirs ? ListAction::kTake : ListAction::kNothing);
  }
  return actions;
}

// Takes another workstation's list into grid n. Jobs this board had put on it that the other
// list lacks and that no other list here holds go back where their record says: to the list of
// the mechanic it is marked for, or to the unassigned grid.
void TakeTheirs(BoardState& board, JobRecordReader& reader, const JobIndex& index, int n, const ScheduleRead& theirs) {
  GridModel& grid = board.Mg(n);
  GridModel mine(1, 0);
  mine.RestoreContents(grid.SaveContents());
  grid.SetRows(0);
  if (theirs.text) FillGrid(grid, *theirs.text);
  grid.SetRedraw(true);
  ScheduleState& state = board.schedules[static_cast<size_t>(n)];
  state.on_disk = theirs.text;
  state.stamp = theirs.stamp;
  UpdateGrid(board, reader, index, n);
  DropListedFromUnassigned(board);
  ReturnDroppedJobs(board, reader, index, mine);
}

// Saves the lists that changed here, in the order PlanSave gives and under its rule: a list is
// not saved when a list that took its jobs was not.
void SaveChangedLists(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board, JobRecordReader& reader,
                      const JobIndex& index, const std::vector<ListAction>& actions, UpdateResult& result) {
  const auto count = static_cast<size_t>(board.mechanics.MechanicCount);
  std::vector<bool> to_save(count, false);
  std::vector<bool> changed(count, false);
  for (size_t i = 0; i < count; ++i) {
    if (!board.schedules[i].loaded) continue;
    // A list left unchanged may have changed since the comparison: jobs put back on it.
    changed[i] = ChangedHere(board, i);
    to_save[i] = actions[i] == ListAction::kSave || (actions[i] == ListAction::kNothing && changed[i]);
    changed[i] = changed[i] || to_save[i];
  }
  const SavePlan plan = PlanSave(board, reader, index, changed);
  const bool circle_ready = SaveCircleFirst(engine, info, board, plan, to_save, result);
  enum class Outcome { kNotYet, kSaved, kNotSaved };
  std::vector<Outcome> outcome(count, Outcome::kNotYet);
  for (size_t i = 0; i < count; ++i) {
    if (actions[i] == ListAction::kTake || actions[i] == ListAction::kCannotCheck) outcome[i] = Outcome::kNotSaved;
    if (!to_save[i] && outcome[i] == Outcome::kNotYet) outcome[i] = Outcome::kSaved;  // already on disk
  }
  for (int n : plan.order) {
    const auto i = static_cast<size_t>(n);
    if (!to_save[i]) continue;
    if (!circle_ready && std::find(plan.circle.begin(), plan.circle.end(), n) != plan.circle.end()) {
      result.failures.push_back({board.mechanics.MechanicName[i], "not saved with the lists it exchanged jobs with"});
      outcome[i] = Outcome::kNotSaved;
      continue;
    }
    // A list whose jobs went to a list that was not saved keeps its old file: written now, it
    // would drop jobs that no saved list holds yet. (In a circle of moves one list must go
    // first; the lists of a circle are written holding both sides first.)
    const auto unsaved = std::find_if(plan.gainers[i].begin(), plan.gainers[i].end(),
                                      [&](int m) { return outcome[static_cast<size_t>(m)] == Outcome::kNotSaved; });
    if (unsaved != plan.gainers[i].end()) {
      result.failures.push_back({board.mechanics.MechanicName[i],
                                 "not saved, because jobs moved from it to " +
                                     board.mechanics.MechanicName[static_cast<size_t>(*unsaved)] +
                                     " whose list was not saved here"});
      outcome[i] = Outcome::kNotSaved;
      continue;
    }
    outcome[i] = SaveList(engine, info, board, reader, index, n, result) ? Outcome::kSaved : Outcome::kNotSaved;
  }
}

}  // namespace

UpdateResult UpdateSchedules(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board,
                             const ConflictResolver& resolve) {
  UpdateResult result;
  // The data folder is looked up once for all lists, not once per file.
  const DirectoryCacheScope directories(engine.host());
  try {
    const JobIndex index = JobIndex::Load(engine);
    JobRecordReader reader(engine);
    ReadNames(engine, board.settings);
    std::vector<ScheduleRead> current;
    std::vector<ListAction> actions = CompareLists(engine, info, board, current, result);
    std::vector<int> asked;
    std::vector<std::string> names;
    for (size_t i = 0; i < actions.size(); ++i) {
      if (actions[i] != ListAction::kAsk) continue;
      asked.push_back(static_cast<int>(i));
      names.push_back(board.mechanics.MechanicName[i]);
    }
    if (!asked.empty()) {
      const auto keep_mine = resolve ? resolve(names) : std::optional<std::vector<bool>>(std::vector<bool>(asked.size(), false));
      if (!keep_mine) {
        result.cancelled = true;
        return result;
      }
      for (size_t k = 0; k < asked.size(); ++k) {
        const auto i = static_cast<size_t>(asked[k]);
        const bool keep = k < keep_mine->size() && (*keep_mine)[k];
        actions[i] = keep ? ListAction::kSave : ListAction::kTake;
        // This board's list wins, but jobs only the other one holds must not end on no list:
        // those marked for this mechanic join it, those marked for nobody go to g.
        if (keep) ReturnDroppedJobs(board, reader, index, ListOf(current[i].text));
      }
    }
    for (size_t i = 0; i < actions.size(); ++i) {
      if (actions[i] == ListAction::kTake) TakeTheirs(board, reader, index, static_cast<int>(i), current[i]);
    }
    SaveChangedLists(engine, info, board, reader, index, actions, result);
  } catch (const EngineError& e) {
    result.failures.push_back({"", e.description()});
  }
  return result;
}

}  // namespace tervalo
