#pragma once
// Update: deciding which mechanics' lists to save, take from another workstation or ask about,
// and saving them in an order that never leaves a job on no list.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "board/board_state.h"

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
// taken from its file and not written; one that changed on neither side is not written either.
// For lists changed on both sides `resolve` is asked once with their mechanics' names and returns
// for each whether to keep this board's list (else the other one is taken), or nothing to cancel
// the whole Update. Without a resolver the other workstation's lists are taken.
using ConflictResolver = std::function<std::optional<std::vector<bool>>(const std::vector<std::string>& mechanics)>;
UpdateResult UpdateSchedules(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board,
                             const ConflictResolver& resolve = nullptr);

}  // namespace tervalo
