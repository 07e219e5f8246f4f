#pragma once
// Moving jobs on the board: right-button drags between the unassigned grid and the mechanic grids
// and within one mechanic grid, the Delete key, the menu and keyboard moves, and undo and redo of
// every move. Plain data and rules: the window layer turns its mouse, key and drag events into
// these calls and shows the grids they change.
//
// Grids are named by number: kUnassigned for `g`, 0 .. MechanicCount - 1 for the mechanic grids.
// Positions on a grid are given in twips from the top of its rows, with the height of one row.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "board/grid_model.h"
#include "board/job_index.h"
#include "board/job_loading.h"
#include "board/owned_bytes.h"

namespace tervalo {

class cBusinessBasic;
struct BoardState;

inline constexpr int kUnassigned = -1;

// What a right-button press on a job grid leads to.
enum class PressResult {
  kLeaveToGrid,  // not on a selected row: the grid handles the press itself
  kSwallow,      // the grid must not handle it, and no drag starts (a finished job)
  kDragRows,     // the selected rows may be dragged
};

// Where the pointer is over a grid: twips from the top of the rows, the height of one row and of
// the visible part of the grid.
struct PointerPlace {
  int y = 0;
  int row_height = 1;
  int view_height = 0;
};

// The drag in progress (or the last one): kept between the press and the end of the drag.
struct DragState {
  std::string DragText;       // the source grid's Clip when the drag started
  std::string DragSourceTag;  // "G" from g, "MG" from a mechanic grid, empty from another program
  int DragSourceGrid = kUnassigned;
  int DragSourceRow = -1;
};

class JobMoves {
 public:
  // The running data engine, asked for at each move: it starts after the moves are made, and
  // asking throws EngineError when it did not start.
  using EngineSource = std::function<cBusinessBasic&()>;
  JobMoves(BoardState& board, EngineSource engine) : board_(board), engine_(std::move(engine)) {}

  // ---- Dragging ----
  PressResult RightPress(int grid, int mouse_row) const;
  // The drag starts on a board grid: returns the text the drag carries (rows separated by CR).
  std::string StartDrag(int grid);
  // A drag from another program enters a board grid.
  void ExternalDragEntered();
  // Scrolls a mechanic grid while something is dragged over its top or bottom edge.
  void DragOver(int mechanic, const PointerPlace& place);
  // Drops text on a grid; an empty text stands for the drag's own text. True when the drop is
  // taken (the source then loses the dragged rows); false when it is refused and nothing changed.
  bool DropOnUnassigned(const std::string& text, const PointerPlace& place);
  bool DropOnMechanic(int mechanic, const std::string& text, const PointerPlace& place);
  // The drag ended: when a board grid took the drop, the source grid's selected rows go.
  void CompleteDrag(bool taken);

  // ---- Keys and menu ----
  // Delete key and "Back to Unassigned": every selected unfinished row goes back to g.
  void SendBack(int mechanic);
  // "Move to": the selected rows of a grid go to the end of a mechanic's list. A list this board
  // does not save (not read, or holding lines that are not jobs) takes none and gives none up:
  // the user is told why, as for Delete, "Move Up" and "Move Down" and an undo or redo that would
  // change such a list.
  bool MoveToMechanic(int grid, int mechanic);
  // "Move Up" / "Move Down": the selected rows of a mechanic grid move by one row.
  bool MoveUp(int mechanic);
  bool MoveDown(int mechanic);
  // Whether the menu's moves apply to the current row of a grid (finished jobs do not move).
  bool CanMoveFrom(int grid) const;

  // ---- Focus ----
  void FocusLost(int mechanic) { LastGrid = mechanic; }
  // The grid that should have the focus when a mechanic grid gains it: LastGrid when the gaining
  // grid's current row holds a finished job and LastGrid is visible, else the grid itself.
  int FocusTarget(int mechanic, bool last_grid_visible) const;

  // ---- Undo ----
  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < steps_.size(); }
  void Undo();
  void Redo();
  // Forgets every step (the board was reloaded from its saved files).
  void ClearHistory();

  // ---- Moves not saved ----
  // How far the board's lists are from what was last saved, in moves: each step done since the
  // save counts, and so does each saved step undone since (undoing back to the saved board leaves
  // none). Steps undone from a saved board and then dropped by a new move stay counted until the
  // next save, as do the moves of steps forgotten from the history's far end.
  size_t UnsavedMoves() const;
  // An Update or Refresh ended; `wrote_everything`: every list was saved (not cancelled, nothing
  // failed), so the board as it stands is the saved one.
  void SaveEnded(bool wrote_everything);
  // The last save did not write everything (a failure or a cancel), until one does.
  bool LastSaveFailed() const { return last_save_failed_; }

  DragState drag;
  int LastGrid = 0;

 private:
  // One undoable move: each grid it changed with the contents to swap in, and the mechanic bytes
  // it cleared (with their old values).
  struct Step {
    std::vector<std::pair<int, GridModel::Contents>> grids;
    std::vector<ClearedMark> cleared;
  };

  GridModel& Grid(int grid) const;
  BoardState& Board() const;
  cBusinessBasic& Engine() const;
  void Report(const std::string& text) const;
  // Whether this board saves a grid: the unassigned grid, or a list that was read as a list (see
  // ScheduleState::loaded). A list it does not save takes no jobs and gives none up.
  bool SavedHere(int grid) const;
  // Tells why nothing moves when a grid is not saved here; true then.
  bool RefuseNotSaved(int grid) const;
  bool RefuseStep(const Step& step) const;

  // Steps are opened before the first change and kept only when something moved.
  void OpenStep();
  void Remember(int grid);
  void CloseStep(bool keep);
  void Apply(Step& step);
  // Removes the rows of these jobs from the mechanic grids of a step.
  void TakeOffMechanicLists(const Step& step, const std::set<int32_t>& jobs);

  // The algorithms behind the drags, keys and menu.
  bool DropRowsAt(int mechanic, const std::string& text, int target);
  void SelectDropped();
  struct JobLookup {
    JobIndex index;
    JobRecordReader reader;
  };
  JobLookup& Jobs();
  Color ColorOf(int32_t job_number);
  // `source`: the grid and row the job comes from, when it is a mechanic grid's (its record is freed).
  bool AddToUnassigned(const std::string& job_text, const RowJob& job, int row,
                       std::optional<std::pair<int, int>> source);
  // The record a mechanic grid's row stands for (RowRecords); 0 for another grid.
  int32_t RecordOfRow(std::optional<std::pair<int, int>> source);
  // The row of the drag's source grid that carries this job text (a selected one), if any.
  std::optional<std::pair<int, int>> DraggedRow(const std::string& job_text) const;
  void ResortUnassigned();
  bool ClearMarks(const RowJob& job, std::vector<ClearedMark>& cleared, std::optional<int32_t> only_from,
                  int32_t row_record = 0);
  bool MoveSelection(int grid, int mechanic, int target);
  void ShowFinishedRows(GridModel& grid) const;

  BoardState& board_;
  EngineSource engine_;
  bool step_open_ = false;
  Step pending_;
  std::vector<Step> steps_;
  size_t done_ = 0;  // steps_[0 .. done_) are done, the rest undone (redo)
  // The value done_ had when the board was last saved, counted from the oldest step kept: below 0
  // when steps of the saved board have been forgotten since.
  std::ptrdiff_t saved_at_ = 0;
  // Saved steps that were undone and then dropped by a new move: changes that no redo brings back.
  size_t unsaved_dropped_ = 0;
  bool last_save_failed_ = false;
  // Rows dropped on a mechanic grid during the current drag, selected when it completes.
  int dropped_grid_ = kUnassigned;
  int dropped_first_ = -1;
  int dropped_count_ = 0;
  // Job texts a drop on g could not take (the invoice file refused); they stay in their grid.
  std::set<std::string> not_moved_;
  std::unique_ptr<JobLookup> lookup_;  // read on the first need within one move
};

}  // namespace tervalo
