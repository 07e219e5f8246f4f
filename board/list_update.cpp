#include "board/list_update.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "board/double_jobs.h"
#include "board/grid_refresh.h"
#include "board/job_index.h"
#include "board/job_loading.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "board/list_repair.h"
#include "board/orphan_jobs.h"
#include "board/owned_bytes.h"
#include "board/row_records.h"
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

SavePlan PlanSave(BoardState& board, JobRecordReader& reader, const JobIndex& index, RowRecords& rows,
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
  // Each row's mark is its request's, along the job's chain.
  reader.ReadJobs(records, true);
  for (int n = 0; n < count; ++n) {
    if (!changed[static_cast<size_t>(n)]) continue;
    const int number = board.mechanics.MechanicNumber[static_cast<size_t>(n)];
    GridModel& grid = board.Mg(n);
    for (int r = 0; r < grid.Rows(); ++r) {
      const int32_t record = rows.Of(n, r);
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
              const JobIndex& index, RowRecords& rows, int n, UpdateResult& result) {
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
    if (index.RecordNumber(job_number) < 1) continue;
    try {
      const int32_t record = rows.Of(n, r);
      if (reader.Exists(record) && reader.Decode(record).mechanic == number) continue;
      MarkJob(engine, record, number);
    } catch (const EngineError& e) {
      result.failures.push_back({name, "job " + std::to_string(job_number) + " could not be marked: " + e.description()});
    }
  }
  return true;
}

// The rows of a list's file, or none when there is no file.
GridModel ListOf(const std::optional<std::string>& file) {
  GridModel grid(1, 0);
  if (file) FillGrid(grid, *file);
  return grid;
}

// Whether two lists hold the same jobs in the same order. The jobs finished in `here` count as a
// set wherever they stand: the display rule sinks finished rows to the bottom of a list, and a
// refreshed status line finishes a job, neither of which is a move to save.
bool SameJobs(const GridModel& here, const GridModel& file) {
  using Entry = std::tuple<int32_t, int32_t, int32_t>;  // job, reference, request
  const auto entry = [](const RowJob& job) { return Entry{job.job_number, job.reference, job.request}; };
  std::set<Entry> finished;
  for (int r = 0; r < here.Rows(); ++r) {
    if (here.JobOf(r).finished) finished.insert(entry(here.JobOf(r)));
  }
  const auto split = [&](const GridModel& grid, std::vector<Entry>& open, std::vector<Entry>& done) {
    for (int r = 0; r < grid.Rows(); ++r) {
      const Entry e = entry(grid.JobOf(r));
      (finished.count(e) > 0 ? done : open).push_back(e);
    }
    std::sort(done.begin(), done.end());
  };
  std::vector<Entry> open_here, done_here, open_file, done_file;
  split(here, open_here, done_here);
  split(file, open_file, done_file);
  return open_here == open_file && done_here == done_file;
}

// Whether list n's jobs or their order changed here since its file was last read or written.
bool ChangedHere(BoardState& board, size_t n) {
  return !SameJobs(board.Mg(static_cast<int>(n)), ListOf(board.schedules[n].on_disk));
}

std::set<JobKey> KeysOf(const BoardState& board, const GridModel& grid) {
  std::set<JobKey> keys;
  for (int r = 0; r < grid.Rows(); ++r) keys.insert(RowKey(board, grid.JobOf(r)));
  return keys;
}

// Each list compared with its file: changed here (the jobs or their order), changed on disk
// since this board last read or wrote it (another workstation saved it). A list that did not
// change here is read only when its file's stamp changed; a changed one is always read, so that
// a save never goes over another workstation's list unseen. A list that cannot be read now is
// reported and left out (not loaded).
//
// A file found damaged (lines that are not jobs, longer than any list) is never written over:
// whatever this board saved there would lose what the file holds. With moves of this board on the
// list, that is a failure like any other (the moves stay on the board, and Update can be tried
// once the file is repaired). Without any, nothing of this board's waits to be saved in it: the
// list is set aside as one that could not be read at start-up (not loaded, not saved, taking no
// jobs), and Refresh shows what it holds.
std::vector<ListSides> CompareLists(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board,
                                    UpdateResult& result) {
  const auto count = static_cast<size_t>(board.mechanics.MechanicCount);
  std::vector<ListSides> lists(count);
  for (size_t i = 0; i < count; ++i) {
    ScheduleState& state = board.schedules[i];
    ListSides& sides = lists[i];
    if (!state.loaded) continue;
    const std::string path = SchedulePath(info, board.mechanics.MechanicNumber[i]);
    const GridModel base = ListOf(state.on_disk);  // parsed once: lists are compared on every Update
    sides.changed_here = !SameJobs(board.Mg(static_cast<int>(i)), base);
    sides.base_keys = KeysOf(board, base);
    sides.disk = state.on_disk;
    sides.disk_stamp = state.stamp;
    std::optional<ScheduleRead> now =
        ReadScheduleIfChanged(engine.host(), path, sides.changed_here ? std::nullopt : state.stamp);
    if (now) {
      // A file gone since it was read may be a save cut short between the old file's removal and
      // the new one's rename (here or on another workstation): its finished list is put in place.
      if (now->problem.empty() && !now->text && state.on_disk && RepairList(engine.host(), path)) {
        now = ReadSchedule(engine.host(), path);
        result.restored.push_back(board.mechanics.MechanicName[i]);
      }
      if (!now->problem.empty()) {
        if (now->damaged && !sides.changed_here) {
          state = ScheduleState{false, now->problem, std::nullopt, std::nullopt, now->text.has_value()};
          result.set_aside.push_back(static_cast<int>(i));
        } else {
          result.failures.push_back({board.mechanics.MechanicName[i], now->problem});
        }
        continue;
      }
      sides.changed_there = now->text != state.on_disk;
      sides.disk = now->text;
      sides.disk_stamp = now->stamp;
      if (!sides.changed_there) state.stamp = now->stamp;
    }
    sides.loaded = true;
    sides.disk_keys = sides.changed_there ? KeysOf(board, ListOf(sides.disk)) : sides.base_keys;
    // Both sides made the same change (two boards moved the same job to the same place, or a
    // save of this board's was completed from its finished version): nothing to settle.
    // The list is still saved, so that the marks of its jobs are written.
    if (sides.changed_here && sides.changed_there && SameJobs(board.Mg(static_cast<int>(i)), ListOf(sides.disk))) {
      sides.changed_there = false;
    }
  }
  return lists;
}

enum class Outcome { kNotYet, kSaved, kNotSaved };

// Saves the lists that changed here, in the order PlanSave gives and under its rule: a list is
// not saved when a list that took its jobs was not. Returns for each list whether its file now
// holds what the grid shows (saved now, or unchanged).
std::vector<Outcome> SaveChangedLists(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board,
                                      JobRecordReader& reader, const JobIndex& index,
                                      const std::vector<ListSides>& lists, bool settled, UpdateResult& result) {
  const auto count = static_cast<size_t>(board.mechanics.MechanicCount);
  // A changed list that cannot be checked now is not saved, but what it gained still decides
  // whether the lists it took jobs from may be saved.
  std::vector<bool> changed(count, false);
  std::vector<bool> to_save(count, false);
  for (size_t i = 0; i < count; ++i) {
    // Unless settling changed the grids, what the comparison found still holds.
    changed[i] = board.schedules[i].loaded && (settled ? ChangedHere(board, i) : lists[i].changed_here);
    to_save[i] = lists[i].loaded && changed[i];
  }
  // Which record each row marks is worked out once, on the grids as they are saved.
  RowRecords rows(board, reader, index);
  const SavePlan plan = PlanSave(board, reader, index, rows, changed);
  const bool circle_ready = SaveCircleFirst(engine, info, board, plan, to_save, result);
  std::vector<Outcome> outcome(count, Outcome::kNotYet);
  for (size_t i = 0; i < count; ++i) {
    if (!lists[i].loaded) outcome[i] = Outcome::kNotSaved;
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
    outcome[i] = SaveList(engine, info, board, reader, index, rows, n, result) ? Outcome::kSaved : Outcome::kNotSaved;
  }
  return outcome;
}

// The marks that settling the conflicts left to write once the lists they depend on are saved.
void WriteMarksAfterSave(cBusinessBasic& engine, BoardState& board, JobRecordReader& reader, const JobIndex& index,
                         const std::vector<MarkAfterSave>& marks, const std::vector<Outcome>& outcome,
                         UpdateResult& result) {
  for (const MarkAfterSave& mark : marks) {
    if (mark.after < 0 || outcome[static_cast<size_t>(mark.after)] != Outcome::kSaved) continue;
    const int32_t record = RecordOfKey(board.settings, reader, index, mark.key);
    if (!reader.Exists(record)) continue;
    try {
      const int32_t now = DecodeJobRecord(engine, engine.LreadFile("INVOL", record)).mechanic;
      if (now == mark.value || (mark.only_if && now != *mark.only_if)) continue;
      WriteMark(engine, record, mark.value);
    } catch (const EngineError& e) {
      result.failures.push_back({board.mechanics.MechanicName[static_cast<size_t>(mark.after)],
                                 "job " + std::to_string(mark.key.first) + " could not be marked: " + e.description()});
    }
  }
}

// The question for what another workstation changed too; empty when nothing needs an answer.
UpdateQuestion QuestionFor(BoardState& board, JobRecordReader& reader, const JobIndex& index,
                           const std::vector<ListSides>& lists) {
  UpdateQuestion question;
  question.jobs = FindJobConflicts(board, reader, index, lists);
  for (size_t n = 0; n < lists.size(); ++n) {
    if (lists[n].loaded && lists[n].changed_here && lists[n].changed_there) {
      question.lists.push_back(DiffList(board, static_cast<int>(n), lists[n]));
    }
  }
  return question;
}

}  // namespace

UpdateResult UpdateSchedules(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board,
                             const ConflictResolver& resolve) {
  UpdateResult result;
  // The data folder is looked up once for all lists, not once per file.
  const DirectoryCacheScope directories(engine.host());
  const std::string folder = DataFolderPath(info);
  if (!engine.host().DirectoryExists(folder)) {
    // Every list would look deleted by another workstation: nothing is compared or written.
    result.failures.push_back({"", "the data folder " + folder + " cannot be found"});
    return result;
  }
  try {
    const JobIndex index = JobIndex::Load(engine);
    JobRecordReader reader(engine);
    ReadNames(engine, board.settings);
    const std::vector<ListSides> lists = CompareLists(engine, info, board, result);
    UpdateQuestion question = QuestionFor(board, reader, index, lists);
    UpdateAnswer answer = DefaultAnswer(question);
    if ((!question.jobs.empty() || !question.lists.empty()) && resolve) {
      const std::optional<UpdateAnswer> given = resolve(question);
      if (!given) {
        result.cancelled = true;
        return result;
      }
      answer = *given;
    }
    Settlement settlement = Settle(board, reader, index, lists, question, answer);
    // What older software or a save cut short left on two lists is settled before anything is saved.
    const std::vector<std::string> doubles = RepairDoubleJobs(board, reader, index);
    settlement.lines.insert(settlement.lines.end(), doubles.begin(), doubles.end());
    settlement.touched = settlement.touched || !doubles.empty();
    result.settled = settlement.lines;
    result.dropped = settlement.dropped;
    const std::vector<Outcome> outcome =
        SaveChangedLists(engine, info, board, reader, index, lists, settlement.touched, result);
    WriteMarksAfterSave(engine, board, reader, index, settlement.marks, outcome, result);
  } catch (const EngineError& e) {
    result.failures.push_back({"", e.description()});
  }
  return result;
}

}  // namespace tervalo
