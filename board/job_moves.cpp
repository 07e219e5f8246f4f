#include "board/job_moves.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "board/board_state.h"
#include "board/grid_refresh.h"
#include "board/job_index.h"
#include "board/job_loading.h"
#include "board/job_text.h"
#include "board/row_records.h"
#include "engine/business_basic.h"

namespace tervalo {
namespace {

// Undo keeps this many moves; older ones are forgotten.
constexpr size_t kMaxUndoSteps = 100;
// Twips from a grid's top or bottom edge within which a drag scrolls it.
constexpr int kScrollMargin = 100;

// The job text of a dragged row: a row from g carries its sort key and a TAB in front.
std::string JobTextOfRow(const std::string& row) {
  const size_t tab = row.find('\t');
  return tab == std::string::npos ? row : row.substr(tab + 1);
}

// " 6 12": job numbers for a message.
std::string JobList(const std::set<int32_t>& jobs) {
  std::string text;
  for (const int32_t job : jobs) text += " " + std::to_string(job);
  return text;
}

}  // namespace

BoardState& JobMoves::Board() const { return board_; }
cBusinessBasic& JobMoves::Engine() const { return engine_(); }
GridModel& JobMoves::Grid(int grid) const { return grid == kUnassigned ? Board().g : Board().Mg(grid); }

void JobMoves::Report(const std::string& text) const {
  Engine().host().ShowMessage({text, "Tervalo", MessageIcon::kExclamation});
}

bool JobMoves::SavedHere(int grid) const {
  return grid == kUnassigned || Board().schedules[static_cast<size_t>(grid)].loaded;
}

bool JobMoves::RefuseNotSaved(int grid) const {
  if (SavedHere(grid)) return false;
  const ScheduleState& state = Board().schedules[static_cast<size_t>(grid)];
  Report(Board().mechanics.MechanicName[static_cast<size_t>(grid)] +
         "'s list is not saved by this workstation, so its jobs stay where they are: " + state.problem +
         "\n\nRefresh reads it again.");
  return true;
}

// ---- Dragging ----

PressResult JobMoves::RightPress(int grid, int mouse_row) const {
  const GridModel& model = Grid(grid);
  if (mouse_row < 0 || !model.IsSelected(mouse_row)) return PressResult::kLeaveToGrid;
  if (grid != kUnassigned && model.JobOf(mouse_row).finished) return PressResult::kSwallow;
  // The jobs of a list this board does not save stay on it: taken off here, they would stay in
  // its file as well.
  if (!SavedHere(grid)) return PressResult::kSwallow;
  return PressResult::kDragRows;
}

std::string JobMoves::StartDrag(int grid) {
  GridModel& source = Grid(grid);
  drag.DragText = source.Clip();
  if (grid == kUnassigned) {
    drag.DragSourceTag = "G";
    drag.DragSourceGrid = kUnassigned;
  } else {
    drag.DragSourceTag = "MG";
    drag.DragSourceGrid = grid;
    drag.DragSourceRow = source.Row();
  }
  OpenStep();
  Remember(grid);
  return drag.DragText;
}

void JobMoves::ExternalDragEntered() {
  if (step_open_) return;  // a drag of the board's own that left the window and came back
  drag.DragText.clear();
  drag.DragSourceTag.clear();
  drag.DragSourceGrid = kUnassigned;
}

void JobMoves::DragOver(int mechanic, const PointerPlace& place) {
  GridModel& grid = Grid(mechanic);
  const int row_height = std::max(place.row_height, 1);
  const int last_whole_row = place.view_height / row_height - 1;
  if (place.y < kScrollMargin && grid.TopRow() > 0) {
    grid.SetTopRow(grid.TopRow() - 1);
  } else if (place.y / row_height > last_whole_row || place.y > place.view_height - kScrollMargin) {
    grid.SetTopRow(grid.TopRow() + 1);
  }
}

bool JobMoves::DropOnUnassigned(const std::string& text, const PointerPlace& place) {
  if (drag.DragSourceTag == "G") return false;  // g onto itself: nothing to do
  const std::string data = text.empty() ? drag.DragText : text;
  const bool own_step = !step_open_;
  if (own_step) OpenStep();
  Remember(kUnassigned);
  GridModel& g = Board().g;
  const int target = std::min(std::max(place.y, 0) / std::max(place.row_height, 1), g.Rows());
  int inserted = 0;
  for (const std::string& row : SplitRows(data)) {
    const std::string job = JobTextOfRow(row);
    // Text from another program, an empty line or a damaged row is not a job and is never inserted.
    if (!IsJobText(job)) continue;
    const RowJob parsed = RowJobOf(job);
    // Every row goes in at the target; the re-sort puts them in their places.
    if (AddToUnassigned(job, parsed, target, DraggedRow(job))) {
      ++inserted;
    } else {
      not_moved_.insert(job);
    }
  }
  if (inserted > 0) {
    g.Select(target, 0, target + inserted - 1, 0);
    ResortUnassigned();
  }
  if (own_step) CloseStep(inserted > 0);
  return inserted > 0;
}

bool JobMoves::DropOnMechanic(int mechanic, const std::string& text, const PointerPlace& place) {
  GridModel& grid = Grid(mechanic);
  const int target = std::max(place.y, 0) / std::max(place.row_height, 1) + grid.TopRow();
  return DropRowsAt(mechanic, text, std::min(target, grid.Rows()));
}

bool JobMoves::DropRowsAt(int mechanic, const std::string& text, int target) {
  const std::string data = text.empty() ? drag.DragText : text;
  if (data.empty()) {
    Report("empty");
    return false;
  }
  if (target < 0) return false;
  // A list that could not be read is not saved by this board: a job dropped there would be lost.
  if (!Board().schedules[static_cast<size_t>(mechanic)].loaded) return false;
  // A job dropped back onto its own row stays where it was.
  if (drag.DragSourceGrid == mechanic && target == drag.DragSourceRow) return false;
  const bool own_step = !step_open_;
  if (own_step) OpenStep();
  Remember(mechanic);
  GridModel& grid = Grid(mechanic);
  const int first = target;
  for (const std::string& row : SplitRows(data)) {
    const std::string job = JobTextOfRow(row);
    if (!IsJobText(job)) continue;
    const RowJob parsed = RowJobOf(job);
    grid.AddItem(job, target);
    if (parsed.finished) {
      grid.SetBackColor(target, 0, target, 0, kSystemButtonText);
      grid.SetForeColor(target, 0, target, 0, kWhite);
    } else {
      grid.SetBackColor(target, 0, target, 0, ColorOf(parsed.job_number));
    }
    ++target;  // the dropped jobs keep their order
  }
  const int inserted = target - first;
  if (inserted > 0) {
    dropped_grid_ = mechanic;
    dropped_first_ = first;
    dropped_count_ = inserted;
  }
  if (own_step) {
    SelectDropped();
    CloseStep(inserted > 0);
  }
  return inserted > 0;
}

void JobMoves::CompleteDrag(bool taken) {
  if (!step_open_) return;
  const int source_grid = drag.DragSourceTag == "G" ? kUnassigned : drag.DragSourceGrid;
  if (taken) {
    GridModel& source = Grid(source_grid);
    // From the last row up, so that removals do not shift rows still to be tested. Jobs the drop
    // could not take stay.
    for (int r = source.Rows() - 1; r >= 0; --r) {
      if (!source.IsSelected(r)) continue;
      if (not_moved_.count(source.TextMatrix(r, source_grid == kUnassigned ? 1 : 0)) > 0) {
        source.SetSelected(r, false);
        continue;
      }
      source.RemoveItem(r);
      if (source_grid == dropped_grid_ && r < dropped_first_) --dropped_first_;
    }
    SelectDropped();
  }
  CloseStep(taken);
}

// The dropped rows end up selected, so that a keyboard move can go on with them.
void JobMoves::SelectDropped() {
  if (dropped_grid_ == kUnassigned || dropped_count_ == 0) return;
  GridModel& grid = Grid(dropped_grid_);
  grid.Select(dropped_first_, 0, dropped_first_ + dropped_count_ - 1, 0);
}

// ---- Keys and menu ----

void JobMoves::SendBack(int mechanic) {
  GridModel& grid = Grid(mechanic);
  if (grid.Rows() == 0 || grid.SelectedRows() < 1) return;
  if (RefuseNotSaved(mechanic)) return;
  std::vector<int> rows;
  for (int r = 0; r < grid.Rows(); ++r) {
    if (grid.IsSelected(r) && !grid.JobOf(r).finished) rows.push_back(r);
  }
  if (rows.empty()) return;  // finished jobs stay with their mechanic
  OpenStep();
  Remember(mechanic);
  Remember(kUnassigned);
  drag.DragText = grid.Clip();
  GridModel& g = Board().g;
  g.ClearSelection();
  bool moved = false;
  // Each job goes back on a row of its own; from the last up, so that rows still to come stay put.
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    const std::string text = grid.TextMatrix(*it, 0);
    if (!AddToUnassigned(text, grid.JobOf(*it), g.Rows(), std::pair{mechanic, *it})) continue;
    g.SetSelected(g.Rows() - 1, true);
    grid.RemoveItem(*it);
    moved = true;
  }
  if (moved) ResortUnassigned();
  CloseStep(moved);
}

bool JobMoves::CanMoveFrom(int grid) const {
  const GridModel& model = Grid(grid);
  if (model.SelectedRows() < 1 || !SavedHere(grid)) return false;
  if (grid == kUnassigned) return true;
  const int row = model.Row();
  return row >= 0 && row < model.Rows() && !model.JobOf(row).finished;
}

bool JobMoves::MoveToMechanic(int grid, int mechanic) {
  if (grid == mechanic || mechanic < 0 || mechanic >= Board().mechanics.MechanicCount) return false;
  if (Grid(grid).SelectedRows() > 0 && RefuseNotSaved(grid)) return false;
  const ScheduleState& target = Board().schedules[static_cast<size_t>(mechanic)];
  if (!target.loaded) {
    // The list is not saved by this board, so it takes no jobs; the user asked for a move and is
    // told why nothing moved.
    if (CanMoveFrom(grid)) {
      Report(Board().mechanics.MechanicName[static_cast<size_t>(mechanic)] +
             "'s list could not be read, so no job can be moved onto it: " + target.problem +
             "\n\nRefresh reads it again.");
    }
    return false;
  }
  return MoveSelection(grid, mechanic, Grid(mechanic).Rows());
}

bool JobMoves::MoveUp(int mechanic) {
  const GridModel& grid = Grid(mechanic);
  if (grid.SelectedRows() > 0 && RefuseNotSaved(mechanic)) return false;
  int first = -1;
  for (int r = 0; r < grid.Rows() && first < 0; ++r) {
    if (grid.IsSelected(r)) first = r;
  }
  // The selection goes in front of the visible row above it.
  int target = first - 1;
  while (target >= 0 && grid.RowHidden(target)) --target;
  if (first < 0 || target < 0) return false;
  return MoveSelection(mechanic, mechanic, target);
}

bool JobMoves::MoveDown(int mechanic) {
  const GridModel& grid = Grid(mechanic);
  if (grid.SelectedRows() > 0 && RefuseNotSaved(mechanic)) return false;
  int last = -1;
  for (int r = grid.Rows() - 1; r >= 0 && last < 0; --r) {
    if (grid.IsSelected(r)) last = r;
  }
  // The selection goes behind the visible row below it.
  int below = last + 1;
  while (below < grid.Rows() && grid.RowHidden(below)) ++below;
  if (last < 0 || below >= grid.Rows()) return false;
  return MoveSelection(mechanic, mechanic, below + 1);
}

// A menu or keyboard move is a drag of the selected rows dropped at `target` of a mechanic grid.
bool JobMoves::MoveSelection(int grid, int mechanic, int target) {
  if (!CanMoveFrom(grid)) return false;
  StartDrag(grid);
  const bool taken = DropRowsAt(mechanic, "", target);
  CompleteDrag(taken);
  return taken;
}

int JobMoves::FocusTarget(int mechanic, bool last_grid_visible) const {
  const GridModel& grid = Grid(mechanic);
  const int row = grid.Row();
  if (row >= 0 && row < grid.Rows() && grid.JobOf(row).finished && last_grid_visible) return LastGrid;
  return mechanic;
}

// ---- Rows of the unassigned grid ----

// The job index and the records of the jobs a move touches are read once for the whole move.
JobMoves::JobLookup& JobMoves::Jobs() {
  if (!lookup_) lookup_ = std::make_unique<JobLookup>(JobLookup{JobIndex::Load(Engine()), JobRecordReader(Engine())});
  return *lookup_;
}

Color JobMoves::ColorOf(int32_t job_number) {
  JobLookup& jobs = Jobs();
  return GetColor(Board(), jobs.reader, jobs.index, job_number);
}

// The job is freed in the invoice file before its row goes on g: when that cannot be done the
// user is told and the job stays where it was, so that no list loses a job still marked for it.
bool JobMoves::AddToUnassigned(const std::string& job_text, const RowJob& job, int row,
                               std::optional<std::pair<int, int>> source) {
  const int32_t job_number = job.job_number;
  try {
    JobLookup& jobs = Jobs();
    const std::string key = GetSortCol(Board(), jobs.reader, jobs.index, job_number);
    const Color color = GetColor(Board(), jobs.reader, jobs.index, job_number);
    if (!ClearMarks(job, pending_.cleared, std::nullopt, RecordOfRow(source))) return false;
    GridModel& g = Board().g;
    g.AddItem(key + "\t" + job_text, row);
    g.SetBackColor(row, 1, row, 1, color);
    return true;
  } catch (const EngineError& error) {
    Report("Job " + std::to_string(job_number) + " could not be read, so it stays where it was.\n\n" + EngineErrorText(error));
    return false;
  }
}

void JobMoves::ResortUnassigned() {
  GridModel& g = Board().g;
  g.SortColumn0Ascending();
  // The moved rows stay selected; the first of them becomes the current row.
  for (int r = 0; r < g.Rows(); ++r) {
    if (g.IsSelected(r)) {
      g.SetRow(r);
      g.SetTopRow(r);
      return;
    }
  }
}

int32_t JobMoves::RecordOfRow(std::optional<std::pair<int, int>> source) {
  // A tall row names its request; RemoveSchedule finds it along the chain.
  if (!source || source->first == kUnassigned || Board().settings.TallRows) return 0;
  JobLookup& jobs = Jobs();
  return RowRecords(Board(), jobs.reader, jobs.index).Of(source->first, source->second);
}

std::optional<std::pair<int, int>> JobMoves::DraggedRow(const std::string& job_text) const {
  if (drag.DragSourceTag != "MG" || drag.DragSourceGrid == kUnassigned) return std::nullopt;
  const GridModel& grid = Grid(drag.DragSourceGrid);
  for (int r = 0; r < grid.Rows(); ++r) {
    if (grid.IsSelected(r) && grid.TextMatrix(r, 0) == job_text) return std::pair{drag.DragSourceGrid, r};
  }
  return std::nullopt;
}

bool JobMoves::ClearMarks(const RowJob& job, std::vector<ClearedMark>& cleared, std::optional<int32_t> only_from,
                          int32_t row_record) {
  try {
    bool left_alone = false;
    const auto marks =
        RemoveSchedule(Engine(), Board().settings, Jobs().index, job, only_from, &left_alone, row_record);
    cleared.insert(cleared.end(), marks.begin(), marks.end());
    if (left_alone) {
      Report("Job " + std::to_string(job.job_number) +
             " was scheduled on another workstation meanwhile. Its schedule there was left as it is.");
    }
    return true;
  } catch (const EngineError& error) {
    Report("Job " + std::to_string(job.job_number) +
           " could not be marked as unassigned in the invoice file, so it stays on its list.\n\n" +
           EngineErrorText(error));
    return false;
  }
}

// ---- Undo ----

void JobMoves::OpenStep() {
  pending_ = Step{};
  lookup_.reset();  // another workstation may have changed the index since the last move
  not_moved_.clear();
  step_open_ = true;
  dropped_grid_ = kUnassigned;
  dropped_first_ = -1;
  dropped_count_ = 0;
}

void JobMoves::Remember(int grid) {
  for (const auto& [id, contents] : pending_.grids) {
    if (id == grid) return;
  }
  pending_.grids.emplace_back(grid, Grid(grid).SaveContents());
}

void JobMoves::CloseStep(bool keep) {
  step_open_ = false;
  if (!keep) return;
  const auto done = static_cast<std::ptrdiff_t>(done_);
  if (saved_at_ > done) {
    // The undone steps of the saved board go with the redo steps: no redo reaches that board again.
    unsaved_dropped_ += static_cast<size_t>(saved_at_ - done);
    saved_at_ = done;
  }
  steps_.resize(done_);
  steps_.push_back(std::move(pending_));
  if (steps_.size() > kMaxUndoSteps) {
    steps_.erase(steps_.begin());
    --saved_at_;  // the places in the history move down by one
  }
  done_ = steps_.size();
}

void JobMoves::ClearHistory() {
  steps_.clear();
  done_ = 0;
  step_open_ = false;
  saved_at_ = 0;
  unsaved_dropped_ = 0;
}

size_t JobMoves::UnsavedMoves() const {
  const auto done = static_cast<std::ptrdiff_t>(done_);
  return unsaved_dropped_ + static_cast<size_t>(done > saved_at_ ? done - saved_at_ : saved_at_ - done);
}

void JobMoves::SaveEnded(bool wrote_everything) {
  last_save_failed_ = !wrote_everything;
  if (!wrote_everything) return;
  saved_at_ = static_cast<std::ptrdiff_t>(done_);
  unsaved_dropped_ = 0;
}

void JobMoves::Undo() {
  if (CanUndo() && !RefuseStep(steps_[done_ - 1])) Apply(steps_[--done_]);
}

void JobMoves::Redo() {
  if (CanRedo() && !RefuseStep(steps_[done_])) Apply(steps_[done_++]);
}

// An Update that finds a list's file damaged stops saving that list; a step that would change its
// grid since is refused, as a move would be.
bool JobMoves::RefuseStep(const Step& step) const {
  for (const auto& [grid, contents] : step.grids) {
    if (RefuseNotSaved(grid)) return true;
  }
  return false;
}

// Swaps the grids of a step with their saved contents, which undoes it (or, applied again, redoes
// it). The mechanic bytes follow the rows: a job that leaves g gets back the mark the step had
// cleared, a job that comes into g is marked unassigned, as a drop on g does. Marks that another
// workstation changed in between are left as they are and the user is told.
void JobMoves::Apply(Step& step) {
  lookup_.reset();  // the job index is read again, once for the whole undo or redo
  std::unordered_map<std::string, int> in_g;  // job texts on g before, counted
  for (int r = 0; r < Board().g.Rows(); ++r) ++in_g[Board().g.TextMatrix(r, 1)];
  // The mechanic grid each job text sat in before the swap, for the marks of rows entering g.
  std::unordered_map<std::string, int> left_from;
  for (auto& [id, contents] : step.grids) {
    GridModel& grid = Grid(id);
    if (id != kUnassigned) {
      for (int r = 0; r < grid.Rows(); ++r) left_from[grid.TextMatrix(r, 0)] = id;
    }
    GridModel::Contents now = grid.SaveContents();
    grid.RestoreContents(std::move(contents));
    contents = std::move(now);
    if (id != kUnassigned) ShowFinishedRows(grid);
  }

  std::set<int32_t> taken_meanwhile;
  std::set<int32_t> gone;
  for (const ClearedMark& mark : step.cleared) {
    if (mark.previous == 0) continue;
    try {
      switch (ReplaceMark(Engine(), Jobs().index, mark.record_number, mark.job_number, 0, mark.previous)) {
        case MarkReplaced::kDone: break;
        case MarkReplaced::kChangedMeanwhile: taken_meanwhile.insert(mark.job_number); break;
        case MarkReplaced::kJobGone: gone.insert(mark.job_number); break;
      }
    } catch (const EngineError& error) {
      Report("Job " + std::to_string(mark.job_number) + " could not be given back its mechanic in the invoice file.\n\n" +
             EngineErrorText(error));
    }
  }
  step.cleared.clear();

  GridModel& g = Board().g;
  for (int r = 0; r < g.Rows(); ++r) {
    const std::string& text = g.TextMatrix(r, 1);
    auto it = in_g.find(text);
    if (it != in_g.end() && it->second > 0) {
      --it->second;
      continue;
    }
    const auto from = left_from.find(text);
    std::optional<int32_t> only_from;
    if (from != left_from.end()) only_from = Board().mechanics.MechanicNumber[static_cast<size_t>(from->second)];
    if (!ClearMarks(g.JobOf(r), step.cleared, only_from.value_or(0))) {
      // The job stays on g here although its record still names a mechanic; the next Refresh
      // shows it where the record says.
      continue;
    }
  }
  // A job scheduled on another workstation meanwhile belongs to the list it was put on there: put
  // back here as well, the next Update would save it on two lists and mark it over the other one's.
  // A job deleted meanwhile has no record to mark any more.
  TakeOffMechanicLists(step, taken_meanwhile);
  TakeOffMechanicLists(step, gone);
  if (!taken_meanwhile.empty()) {
    Report("These jobs were scheduled on another workstation since they were sent back here:" + JobList(taken_meanwhile) +
           "\nTheir schedule there was left as it is; Refresh shows them where they are now.");
  }
  if (!gone.empty()) {
    Report("These jobs are no longer in the invoice file (deleted on another workstation):" + JobList(gone) +
           "\nThey were taken off the board here.");
  }
}

void JobMoves::TakeOffMechanicLists(const Step& step, const std::set<int32_t>& jobs) {
  if (jobs.empty()) return;
  for (const auto& [id, contents] : step.grids) {
    if (id == kUnassigned) continue;
    GridModel& grid = Grid(id);
    for (int r = grid.Rows() - 1; r >= 0; --r) {
      if (jobs.contains(grid.JobOf(r).job_number)) grid.RemoveItem(r);
    }
  }
}

void JobMoves::ShowFinishedRows(GridModel& grid) const {
  for (int r = 0; r < grid.Rows(); ++r) {
    if (grid.JobOf(r).finished) grid.SetRowHidden(r, !Board().chkHide);
  }
}

}  // namespace tervalo
