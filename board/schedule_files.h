#pragma once
// The schedule files (one per mechanic, the mechanic's rows in order) and the actions that keep
// them and the INVOL mechanic byte in step: Update, storing the sort order, RemoveSchedule.

#include <optional>
#include <string>
#include <vector>

#include "board/board_state.h"
#include "board/job_index.h"

namespace tervalo {

class cBusinessBasic;
class cEpcInfo;

// "\\Server\DataShare\Directory\SCHEDULE.<number>".
std::string SchedulePath(const cEpcInfo& info, int mechanic_number);

// Fills a grid from a schedule file: one row per non-empty line, tabs turned back into line
// feeds; empty lines still count as a line position. A missing file leaves the grid empty.
void LoadSchedule(GridModel& grid, const std::string& path);

// A schedule file's contents for a grid: each row's text with line feeds as tabs, CR LF after
// each.
std::string ScheduleText(const GridModel& grid);

// What an Update could not do, for one warning after the action.
struct UpdateResult {
  std::vector<std::string> unsaved_mechanics;  // names of mechanics whose file was not written
};

// Update: marks every scheduled job's INVOL record with its mechanic's number (byte 141 only)
// and replaces each mechanic's schedule file (a grid without rows leaves no file).
UpdateResult UpdateSchedules(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board);

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
