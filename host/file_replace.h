#pragma once
// Replacing and removing files that other workstations read, on a file server.
//
// A file is replaced by writing its new contents beside it and renaming them over it. Two things
// make that harder on a share than on a local disk: the server refuses to rename or delete a file
// that a program (on any workstation) holds open, and some clients replace a file by deleting the
// old one first and then renaming the new one, so that a rename that fails after the delete leaves
// no file under the old name at all. So the new contents lie beside the file under two names:
//
//   "<name>.~tmpXXXXXX"  while they are written;
//   "<name>.~newXXXXXX"  once they are whole (flushed to the server and closed).
//
// A finished version is never removed while its file is missing: it is then the file's only whole
// copy, and CompleteInterruptedReplacements puts it in place.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace tervalo {

inline constexpr std::string_view kWritingMark = ".~tmp";
inline constexpr std::string_view kFinishedMark = ".~new";

// Replaces a file's contents so that readers see the old file whole or the new one whole: written
// and closed beside it with the old file's permissions, then renamed over it. A rename or removal
// refused because the file is open elsewhere is tried again a few times with a growing pause (the
// host's Sleep). A failure names `path`; the old file is then as it was (or still missing), and
// what the replace wrote beside it is removed again, but for one case: where the client had
// deleted the old file already, its finished new version stays beside it as the only copy.
HostStatus ReplaceFileContents(Host& host, std::string_view path, std::string_view contents);

// Deletes a file (success also when there was none), trying again while it is open elsewhere.
HostStatus RemoveSharedFile(Host& host, std::string_view path);

// A name that belongs to a replacement in progress or cut short: the name of the file it
// replaces, and whether the new contents were whole.
struct ReplacementName {
  std::string target;
  bool finished = false;
};
std::optional<ReplacementName> ReplacementNameOf(std::string_view name);

// What CompleteInterruptedReplacements did.
struct FolderRepair {
  std::vector<std::string> restored;  // files put in place from their finished version
  std::vector<HostStatus> failures;   // what could not be looked at or put in place
};

// Tidies what replacements cut short left in `folder`, among the files whose name `owned` accepts
// (a folder is shared with other programs, whose files stay untouched): a missing file with a
// finished version beside it gets the newest one put in place; writing files, and finished
// versions of a file that is there, are removed once older than `stale_seconds` (younger ones may
// belong to a replacement in progress on another workstation). What cannot be removed now is
// left for the next time.
FolderRepair CompleteInterruptedReplacements(Host& host, std::string_view folder,
                                             const std::function<bool(std::string_view name)>& owned,
                                             int64_t stale_seconds);

}  // namespace tervalo
