#pragma once
// The main window's logic: start-up in its fixed order, the layout of the mechanic grids, and the
// Update, Refresh, "Show All Statuses" and close actions. The window layer (board_ui) shows the
// state kept here and forwards the user's events to it.

#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/engine_error.h"
#include "board/board_state.h"
#include "board/job_moves.h"
#include "board/notices.h"
#include "board/print_list.h"
#include "board/list_update.h"
#include "board/window_layout.h"

namespace tervalo {

class cBusinessBasic;

class frmTervalo {
 public:
  frmTervalo() = default;
  frmTervalo(const frmTervalo&) = delete;
  frmTervalo& operator=(const frmTervalo&) = delete;
  // Reads the catalog configuration from this file instead of the workstation's own.
  void SetConfigurationFile(std::string path) { configuration_file_ = std::move(path); }

  // Start-up: configuration, engine, mechanics, settings, one grid per mechanic filled from its
  // schedule file, RefreshBoard, the display rule. Throws EngineError when something fails; the
  // window then reports it and the program ends. Returns false when the configuration file is
  // missing (its message has been shown already) and the program should end quietly.
  bool Form_Load();

  // "Quorlin     Rev: major.minor.revision".
  static std::string Caption();

  // The window's width after the minimum is applied, and where the mechanic grids go.
  static int ApplyMinimumWidth(int width) { return width < kMinimumWindowWidth ? kMinimumWindowWidth : width; }
  const MechanicLayout& Form_Resize(int width);
  const MechanicLayout& layout() const { return layout_; }
  int PageSize() const { return layout_.page_size; }

  // Saves every mechanic's list that changed here and marks its jobs, takes the lists changed
  // only on another workstation, and asks about lists changed on both sides (without a Cancel
  // when closing); what could not be saved is in the result.
  UpdateResult Save(bool closing = false);
  // Asks how to settle what another workstation changed too (jobs given to other mechanics,
  // lists changed on both sides); set by the window. Tests set their own. Without it, nobody's
  // move is lost but for job moves in conflict, which stay with the other workstation's mechanic.
  using ConflictQuestion = ConflictResolver;
  void SetConflictQuestion(ConflictQuestion question) { conflict_question_ = std::move(question); }
  // Update: saves and warns once about what was not saved.
  void btnUpdate_Click();
  // Update, store the sort order, read lists that could not be read before, reload the board.
  // When not everything could be saved the board is not reloaded.
  void btnRefresh_Click();
  void chkHide_Click(bool checked);
  // Notices (lists put in place, lists not read, jobs put back) go to a message box each, unless
  // the window keeps them for its bar: from then on they are collected for TakeNotices, and a
  // lasting condition is told once, remembering the keys in `told` (what this workstation told
  // before).
  void KeepNotices(std::set<std::string> told);
  std::vector<Notice> TakeNotices();
  const std::set<std::string>& ToldNotices() const { return notice_memory_.told(); }

  // The status line: what the last Update or Refresh did, with the time of day ("Saved 14:32",
  // or which lists were not saved); empty before the first.
  const std::string& Status() const { return status_; }
  // Every close saves first; the window asks what to do when that fails.
  UpdateResult Form_QueryUnload() { return Save(true); }

  void RefreshBoard();

  // Builds the work sheet of mechanic grid `mechanic` (1 or 3 columns) into PG, dated today by
  // the engine's clock.
  SheetPageSetup PrintList(int mechanic, int columns);

  BoardState& board() { return board_; }
  const BoardState& board() const { return board_; }
  // Moving jobs between the grids, with undo.
  JobMoves& moves() { return moves_; }

  // The running data engine; throws EngineError when it did not start.
  cBusinessBasic& Engine() const;

 private:
  void CreateMechanicGrids();
  // Reads mechanic n's schedule file into its (empty) grid and notes whether it could.
  void LoadList(int n);
  void ReportListsNotLoaded();
  // Puts in place the lists that a save cut short left beside their missing files, and says so.
  void RepairLists();
  void ReportListsPutInPlace(const std::vector<std::string>& names);
  // Tells which jobs were found on more than one list and where each stays.
  void ReportDoubleJobs(const std::vector<std::string>& lines);
  // Tells which jobs a refresh took off which lists, and why; `lasting`: once per workstation.
  void ReportDroppedRows(const std::vector<DroppedRow>& rows, bool lasting);
  // Tells what an Update found besides what it saved: lists put in place, rows of lists taken
  // from another workstation whose jobs are gone.
  void ReportSaveFindings(const UpdateResult& result);
  // Tells a notice: in a message box, or kept for the bar with only the items new to this
  // workstation. `kind` names the look that found the items (see NoticeMemory).
  void Tell(const std::string& kind, Notice notice);
  // Tells events (items without a lasting condition, told whenever they happen), if any.
  void TellEvents(std::string heading, std::string bar_heading, const std::vector<std::string>& items);
  // Sets the status line from what the save of an Update or a Refresh did.
  void SetSaveStatus(const UpdateResult& result, bool refresh);

  BoardState board_;
  JobMoves moves_{board_, [this]() -> cBusinessBasic& { return Engine(); }};
  MechanicLayout layout_;
  std::string configuration_file_;
  ConflictQuestion conflict_question_;
  std::string status_;
  bool keep_notices_ = false;
  NoticeMemory notice_memory_;
  std::vector<Notice> notices_;
};

// "Saved 14:32" for a save that wrote everything; "Not saved at 14:32: " and the mechanics whose
// lists were not saved (or the reason, for a failure that stopped the whole save); "Update
// cancelled at 14:32: nothing was saved". A Refresh that could not save adds that the board was
// not reloaded. `time_of_day` is the workstation's local time.
std::string SaveStatus(const UpdateResult& result, std::chrono::seconds time_of_day, bool refresh);

}  // namespace tervalo
