#pragma once
// Watching the board's files for changes made by other workstations, cheaply enough to run every
// few seconds and without touching the board's data: a copy of what the board last read or wrote
// is checked against the files, on any thread. A list costs one look at its file's stamp; it is
// read only when the stamp changed. The job index costs one read of its blocks.

#include <optional>
#include <string>
#include <vector>

#include "board/board_state.h"

namespace tervalo {

class cEpcInfo;
class Host;

// One list as this board last saw it on disk.
struct WatchedList {
  int grid = 0;  // the mechanic grid
  std::string mechanic;
  std::string path;
  std::optional<std::string> on_disk;
  std::optional<FileStamp> stamp;
};

// What a check compares: the lists that were read (lists that could not be read are not
// watched) and the job index.
struct WatchedBoard {
  std::vector<WatchedList> lists;
  std::string data_folder;  // where the lists lie
  std::string job_index_path;
  std::string job_index_bytes;
};
WatchedBoard WatchBoard(const BoardState& board, const cEpcInfo& info);

// A list whose file was read again because its stamp changed, and still holds what the board
// has: the new stamp spares the next check the read.
struct ConfirmedList {
  int grid = 0;
  std::optional<std::string> on_disk;
  FileStamp stamp;
};

struct ListCheck {
  std::vector<std::string> changed;   // mechanics whose list another workstation saved
  std::vector<std::string> problems;  // files that could not be looked at now, with the reason
  bool jobs_changed = false;          // jobs came or went in the job index
  std::vector<ConfirmedList> confirmed;
};

// Looks at each watched file and compares it with what the board last saw. Writes nothing.
ListCheck CheckBoard(Host& host, const WatchedBoard& watched);

// Keeps the stamps of confirmed lists whose grid still has the file as it was when checked.
void KeepConfirmedStamps(BoardState& board, const std::vector<ConfirmedList>& confirmed);

}  // namespace tervalo
