#pragma once
// Update: deciding which mechanics' lists to save, take from another workstation or ask about,
// and saving them in an order that never leaves a job on no list.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "board/board_state.h"
#include "board/grid_refresh.h"
#include "board/update_conflicts.h"

namespace tervalo {

class cBusinessBasic;
class cEpcInfo;

// One thing an Update could not do: whose list, and why (with the file and the system's reason).
struct SaveFailure {
  std::string mechanic;  // empty when the failure stopped the whole Update
  std::string reason;
};

// What an Update could not do, for one message after the action.
struct UpdateResult {
  std::vector<SaveFailure> failures;
  bool cancelled = false;  // the user cancelled it when asked about lists changed on both sides
  // Mechanics whose list file had gone missing and was put in place from a save cut short.
  std::vector<std::string> restored;
  // How the jobs and lists that another workstation had changed too were settled, each naming
  // what was kept and what was dropped ("job 143 stays with TOM OKAFOR ..."); jobs found on two
  // lists and kept on one.
  std::vector<std::string> settled;
  // Lists not changed here whose files another program has since damaged (lines that are not
  // jobs, longer than any list): from now on not saved here, as a list that could not be read at
  // start-up (ScheduleState::loaded is false, with the reason).
  std::vector<int> set_aside;
  // Jobs of lists another workstation saved that are gone here, left out of the grids.
  std::vector<DroppedRow> dropped;
  bool Saved() const { return failures.empty(); }
  // The message that tells the user what was not saved.
  std::string Message() const;
};

// Update: replaces each mechanic's schedule file (a grid without rows leaves no file), then
// marks the jobs of that list with the mechanic's number (byte 141 only, and only where it does
// not hold it already). A list that gains jobs from another is saved before that other list, so
// that at no moment, whatever fails and wherever the program stops, a job is marked for a
// mechanic whose saved list lacks it and missing from every list. Lists that could not be read
// are never written or deleted. Every failure is reported in the result; the rest goes on.
//
// Lists are compared with their files first. A list that changed only on another workstation is
// taken from its file and not written; one that changed on neither side is not written either
// (a finished row sunk to the bottom or a refreshed status line is no change). Jobs this board
// moved that another workstation has meanwhile given to a mechanic (his list now holds them, or
// their mark names him), and lists changed on both sides, are put to `resolve` in one question;
// without a resolver, or with its default, no move of either side is lost but for the job moves
// in conflict, which stay with the other workstation's mechanic. Whatever the answers, every job
// ends on one list (or unassigned) with a mark naming that list's mechanic. Nothing is written
// when the user cancels. A data folder that cannot be found stops the Update before anything is
// read or written. A list whose file is found damaged is not saved: a failure when it changed
// here, else set aside (not loaded) until a Refresh reads it as a sound list.
UpdateResult UpdateSchedules(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board,
                             const ConflictResolver& resolve = nullptr);

}  // namespace tervalo
