#pragma once
// Lists that a save cut short left beside their schedule file. A save writes the new list
// beside the file and renames it over it; where the server's client deletes the old file before
// the rename and the rename then fails, the finished new list is the list's only copy. The board
// puts such lists in place, and clears away what stopped saves left, before it reads the lists.

#include <string>
#include <string_view>
#include <vector>

namespace tervalo {

class Host;

// Whether a name in the data folder is a schedule file's: "SCHEDULE.<digits>", in any case.
bool IsScheduleFileName(std::string_view name);

// Start-up and Refresh: in the data folder, every missing schedule file with a finished new
// version beside it gets that version put in place; temporary files of stopped saves older than
// ten minutes are removed (younger ones may be another workstation's save in progress). Returns
// the mechanic numbers whose list was put in place.
std::vector<int> RepairScheduleFolder(Host& host, const std::string& folder);

// Update: the same for one list whose file went missing since this board read it. True when a
// finished version was put in place, so that the file is to be read again.
bool RepairList(Host& host, const std::string& path);

}  // namespace tervalo
