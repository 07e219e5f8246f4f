#include "host/file_replace.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <set>

#include "base/basic_text.h"

namespace tervalo {
namespace {

// How a file server (or Windows) says that another program holds the file open.
bool HeldOpenElsewhere(int error) {
  return error == EBUSY || error == EACCES || error == EPERM || error == ETXTBSY;
}

// Runs a rename or removal until it succeeds, fails for another reason, or the last of five
// attempts, waiting 0.1, 0.2, 0.4 and 0.8 s in between.
HostStatus Retrying(Host& host, const std::function<HostStatus()>& attempt) {
  constexpr int kAttempts = 5;
  for (int k = 1;; ++k) {
    HostStatus status = attempt();
    if (status.ok() || k == kAttempts || !HeldOpenElsewhere(status.error())) return status;
    host.Sleep(std::chrono::milliseconds(100 << (k - 1)));
  }
}

HostStatus RenameRetrying(Host& host, const std::string& from, const std::string& to) {
  return Retrying(host, [&] { return host.RenameFile(from, to); });
}

std::string InFolder(std::string_view folder, std::string_view name) {
  return std::string(folder) + "\\" + std::string(name);
}

}  // namespace

HostStatus ReplaceFileContents(Host& host, std::string_view path, std::string_view contents) {
  const std::string target(path);
  // Whether there is a file to replace decides, should the last rename fail, whether the new
  // version is the only copy of a file that was there.
  const HostResult<FileStamp> before = host.StampOf(target);
  if (!before.ok()) return HostStatus(before.status().error(), path);
  const HostResult<std::string> written = host.WriteNewFile(target + std::string(kWritingMark), contents, target);
  if (!written.ok()) return HostStatus(written.status().error(), path);
  const std::string& writing = *written;
  const std::string finished = target + std::string(kFinishedMark) + writing.substr(target.size() + kWritingMark.size());
  // Renamed to a name nothing has, this cannot delete anything; from here on the new contents
  // are known to be whole by their name.
  if (const HostStatus marked = RenameRetrying(host, writing, finished); !marked.ok()) {
    static_cast<void>(RemoveSharedFile(host, writing));
    return HostStatus(marked.error(), path);
  }
  const HostStatus placed = RenameRetrying(host, finished, target);
  if (placed.ok()) return {};
  // The new version stays only where it is the only whole copy of a file that was there: the
  // client deleted the old file before the rename failed (or the file cannot be looked at now to
  // tell). Where the old file is still there, or there was none (a first save; a name the server
  // does not show as a file, such as a link that leads off the share), it is dropped: nothing is
  // lost with it, and the next start-up would otherwise put in place a save that failed.
  const HostResult<FileStamp> after = host.StampOf(target);
  const bool only_copy = before->exists && (!after.ok() || !after->exists);
  if (!only_copy) static_cast<void>(RemoveSharedFile(host, finished));
  return HostStatus(placed.error(), path);
}

HostStatus RemoveSharedFile(Host& host, std::string_view path) {
  return Retrying(host, [&] { return host.RemoveFile(path); });
}

std::optional<ReplacementName> ReplacementNameOf(std::string_view name) {
  constexpr size_t kUniqueLength = 6;
  if (name.size() < kUniqueLength + kWritingMark.size() + 1) return std::nullopt;
  const size_t mark = name.size() - kUniqueLength - kWritingMark.size();
  const std::string_view kind = name.substr(mark, kWritingMark.size());
  if (EqualsIgnoreCase(kind, kWritingMark)) return ReplacementName{std::string(name.substr(0, mark)), false};
  if (EqualsIgnoreCase(kind, kFinishedMark)) return ReplacementName{std::string(name.substr(0, mark)), true};
  return std::nullopt;
}

FolderRepair CompleteInterruptedReplacements(Host& host, std::string_view folder,
                                             const std::function<bool(std::string_view name)>& owned,
                                             int64_t stale_seconds) {
  FolderRepair repair;
  const HostResult<std::vector<DirectoryEntry>> entries = host.ListDirectory(folder, [](std::string_view name) { return ReplacementNameOf(name).has_value(); });
  if (!entries.ok()) {
    repair.failures.push_back(entries.status());
    return repair;
  }
  std::set<std::string> present;  // upper case: the server matches names without regard to case
  for (const DirectoryEntry& entry : *entries) {
    if (!ReplacementNameOf(entry.name)) present.insert(UCase(entry.name));
  }
  // Finished versions of missing files, newest first; what goes stale.
  std::map<std::string, std::vector<const DirectoryEntry*>> orphans;
  std::vector<const DirectoryEntry*> stale;
  for (const DirectoryEntry& entry : *entries) {
    const auto part = ReplacementNameOf(entry.name);
    if (!part || !owned(part->target)) continue;
    if (part->finished && !present.contains(UCase(part->target))) {
      orphans[part->target].push_back(&entry);
    } else if (entry.age_seconds >= stale_seconds) {
      stale.push_back(&entry);
    }
  }
  for (auto& [target, versions] : orphans) {
    std::sort(versions.begin(), versions.end(),
              [](const DirectoryEntry* a, const DirectoryEntry* b) { return a->age_seconds < b->age_seconds; });
    const HostStatus placed = RenameRetrying(host, InFolder(folder, versions.front()->name), InFolder(folder, target));
    if (!placed.ok()) {
      repair.failures.push_back(placed);
      continue;
    }
    repair.restored.push_back(target);
    for (size_t k = 1; k < versions.size(); ++k) {
      if (versions[k]->age_seconds >= stale_seconds) stale.push_back(versions[k]);
    }
  }
  for (const DirectoryEntry* entry : stale) static_cast<void>(host.RemoveFile(InFolder(folder, entry->name)));
  return repair;
}

}  // namespace tervalo
