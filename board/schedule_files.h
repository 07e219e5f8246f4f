#pragma once
// The schedule files (one per mechanic, the mechanic's rows in order) and the actions that keep
// them and the INVOL mechanic byte in step: Update, storing the sort order, RemoveSchedule.

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

// Clears the mechanic byte of the job of a row sent back to the unassigned grid.
void RemoveSchedule(cBusinessBasic& engine, const BoardSettings& settings, const std::string& job_text);

}  // namespace tervalo
