#pragma once
// The schedule files: one per mechanic, the mechanic's rows in order, one line per row. Where
// they lie, reading them (only when changed), and their text.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/board_state.h"
#include "host/host.h"

namespace tervalo {

class cEpcInfo;

// "\\Server\DataShare\Directory\SCHEDULE.<number>".
std::string SchedulePath(const cEpcInfo& info, int mechanic_number);
// "\\Server\DataShare\Directory": the folder of the schedule files.
std::string DataFolderPath(const cEpcInfo& info);

// The longest schedule file the board reads. A line is about 200 bytes and a mechanic has tens of
// jobs: a longer file is damaged, and is taken as such from its length, without being read.
inline constexpr int64_t kMaxScheduleBytes = kMaxTextFileBytes;

// Fills a grid from a schedule file: one row per line that is a job text (IsJobText), tabs turned
// back into line feeds; empty lines and lines that are not jobs still count as a line position. A
// missing file leaves the grid empty. Returns what the board then knows of the file: read (with
// its text and stamp); or not loaded, with the reason, when a file that is there could not be
// read, is longer than any list (the grid stays empty), or holds lines that are not jobs (the
// grid gets the jobs).
//
// A list with lines that are not jobs (damaged bytes, another program's notes) is not written at
// all, rather than written with those lines put back as they were: the board cannot tell what
// they are (a job damaged beyond reading?) nor where among moved rows they would belong, every
// comparison of the list with its file (the live check, Update's settling with other
// workstations) would have to carry them, and a file left exactly as it is can be repaired by a
// person with nothing in it lost. Not loaded, it is handled everywhere as a list that could not
// be read: no job moves onto it or off it, Update leaves it alone, Refresh reads it again.
ScheduleState LoadSchedule(Host& host, GridModel& grid, const std::string& path);

// A schedule file read whole: its lines each followed by CR LF (none when there is no file), or
// why it could not be read; with the file's stamp taken just before the read, so that a file
// replaced in between looks changed at the next look rather than the same.
struct ScheduleRead {
  std::optional<std::string> text;
  std::string problem;
  std::optional<FileStamp> stamp;
  // The file is there but is not a list: it holds lines that are not jobs (its text is read, and
  // the problem names the lines) or is longer than any list (not read). Unlike a failed read, this
  // lasts until someone repairs the file.
  bool damaged = false;
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
