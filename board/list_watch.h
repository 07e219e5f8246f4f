#pragma once
// Watching the mechanics' lists for saves by other workstations, cheaply enough to run every few
// seconds and without touching the board's data: a copy of what the board last read or wrote is
// checked against the files, on any thread.

#include <optional>
#include <string>
#include <vector>

#include "board/board_state.h"

namespace tervalo {

class cEpcInfo;
class Host;

// One list as this board last saw it on disk.
struct WatchedList {
  std::string mechanic;
  std::string path;
  std::optional<std::string> on_disk;
};

// The lists that were read (lists that could not be read are not watched).
std::vector<WatchedList> WatchedLists(const BoardState& board, const cEpcInfo& info);

struct ListCheck {
  std::vector<std::string> changed;   // mechanics whose list another workstation saved
  std::vector<std::string> problems;  // lists that could not be read now, with the reason
};

// Reads each watched file and compares it with what the board last saw. Writes nothing.
ListCheck CheckLists(Host& host, const std::vector<WatchedList>& lists);

}  // namespace tervalo
