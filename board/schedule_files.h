#pragma once
// The schedule files (one per mechanic, the mechanic's rows in order) and the actions that keep
// them and the INVOL mechanic byte in step: Update, storing the sort order, RemoveSchedule.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "board/board_state.h"
#include "board/job_index.h"

namespace tervalo {

class cBusinessBasic;
class cEpcInfo;
class Host;

// "\\Server\DataShare\Directory\SCHEDULE.<number>".
std::string SchedulePath(const cEpcInfo& info, int mechanic_number);
// "\\Server\DataShare\Directory": the folder of the schedule files.
std::string DataFolderPath(const cEpcInfo& info);

// Fills a grid from a schedule file: one row per non-empty line, tabs turned back into line
// feeds; empty lines still count as a line position. A missing file leaves the grid empty.
// Returns what the board then knows of the file: read (with its text and stamp), or not loaded
// with the reason when a file that is there could not be read.
ScheduleState LoadSchedule(Host& host, GridModel& grid, const std::string& path);

// A schedule file read whole: its lines each followed by CR LF (none when there is no file), or
// why it could not be read; with the file's stamp taken just before the read, so that a file
// replaced in between looks changed at the next look rather than the same.
struct ScheduleRead {
  std::optional<std::string> text;
  std::string problem;
  std::optional<FileStamp> stamp;
};
ScheduleRead ReadSchedule(Host& host, const std::string& path);

// The same, but only when the file's stamp is not `known` (one look at the stamp): none when the
// file still has it and so still holds what was read with it. Without a known stamp it reads.
std::optional<ScheduleRead> ReadScheduleIfChanged(Host& host, const std::string& path,
                                                  const std::optional<FileStamp>& known);
// Rows of a grid from such a text, as LoadSchedule makes them.
void FillGrid(GridModel& grid, const std::string& text);

// A schedule file's contents for a grid: each row's text with line feeds as tabs, CR LF after
// each.
std::string ScheduleText(const GridModel& grid);

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

// Stores the sort order of the sort-field grid into bytes 25-28 of FILE0 block 499.
void StoreSortOrder(cBusinessBasic& engine, BoardState& board);

// A mechanic byte the board cleared, with the mechanic number it held before.
struct ClearedMark {
  int32_t job_number = 0;
  int32_t record_number = 0;
  int32_t previous = 0;
};

// Clears the mechanic byte of the job of a row sent back to the unassigned grid. Returns the
// records written, with what their byte held before, so that the move can be undone. With
// `only_from`, a record whose byte names another mechanic than that one (another workstation
// scheduled the job meanwhile) is left as it is and `*left_alone` is set.
std::vector<ClearedMark> RemoveSchedule(cBusinessBasic& engine, const BoardSettings& settings,
                                        const std::string& job_text,
                                        std::optional<int32_t> only_from = std::nullopt,
                                        bool* left_alone = nullptr);

// Writes `value` into the mechanic byte of a record only while the byte still holds `expected`
// (read afresh), so that a mark another workstation wrote meanwhile is never overwritten.
// Returns false when the byte held something else and nothing was written.
bool ReplaceMark(cBusinessBasic& engine, int32_t record_number, int32_t expected, int32_t value);

}  // namespace tervalo
