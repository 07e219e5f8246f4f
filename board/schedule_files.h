#pragma once
// The schedule files: one per mechanic, the mechanic's rows in order, one line per row. Where
// they lie, reading them (only when changed), and their text.

#include <optional>
#include <string>
#include <vector>

#include "board/board_state.h"

namespace tervalo {

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

// One line of a schedule file: the job text with its line feeds as tabs, then CR LF.
std::string ScheduleLine(std::string text);
// A schedule file's contents for a grid: each row's text with line feeds as tabs, CR LF after
// each.
std::string ScheduleText(const GridModel& grid);

}  // namespace tervalo
