#pragma once
// A host that fails one chosen operation on files, as a share does when the disk is full, the
// server drops the connection or a folder turns read-only: the Nth open, read, look at a file's
// stamp, write, flush, rename or removal counted from FailAt. A rename is a step even when it is
// tried again. Everything else goes to the target host (the test host).

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/file_replace.h"
#include "host/host.h"

namespace tervalo::testing {

class FaultHost : public HostWrapper {
 public:
  explicit FaultHost(Host& target) : HostWrapper(target) {}

  // Fails operation n (1-based) from now on; 0 fails none. The counter starts again.
  void FailAt(int64_t n) {
    fail_at_ = n;
    count_ = 0;
    fired_ = false;
  }
  int64_t count() const { return count_; }
  // Whether the chosen operation came and failed.
  bool fired() const { return fired_; }

  // True when this operation is the one to fail.
  bool Step() {
    if (++count_ != fail_at_) return false;
    fired_ = true;
    return true;
  }

  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override;
  // Text files whose path ends in this name cannot be read (EIO) while it is set.
  std::string unreadable;

  HostResult<std::vector<std::string>> ReadTextLines(std::string_view path) override {
    if (Step() || Unreadable(path)) return HostStatus(EIO, path);
    return HostWrapper::ReadTextLines(path);
  }
  HostResult<FileStamp> StampOf(std::string_view path) override {
    if (Step() || Unreadable(path)) return HostStatus(EIO, path);
    return HostWrapper::StampOf(path);
  }
  HostResult<std::string> WriteNewFile(std::string_view prefix, std::string_view contents,
                                       std::string_view replaces) override {
    // The steps of a new file: written, flushed. A failure leaves no file.
    if (Step()) return HostStatus(ENOSPC, prefix);
    if (Step()) return HostStatus(EIO, prefix);
    return HostWrapper::WriteNewFile(prefix, contents, replaces);
  }
  HostStatus RenameFile(std::string_view from, std::string_view to) override {
    if (!Step()) return HostWrapper::RenameFile(from, to);
    // A client that replaces by deleting the old file first, then failing the rename.
    if (rename_deletes_first) static_cast<void>(HostWrapper::RemoveFile(to));
    return HostStatus(error, to);
  }
  HostStatus RemoveFile(std::string_view path) override {
    if (Step()) return HostStatus(error, path);
    return HostWrapper::RemoveFile(path);
  }
  // Makes a failing rename delete its target first, as some file-server clients do.
  bool rename_deletes_first = false;
  // How a rename or removal fails: EACCES, as a file held open elsewhere, is tried again; another
  // error (ENOENT, a name the server does not show as a file) is not.
  int error = EACCES;

 private:
  bool Unreadable(std::string_view path) const {
    return !unreadable.empty() && path.size() >= unreadable.size() &&
           path.substr(path.size() - unreadable.size()) == unreadable;
  }

  int64_t fail_at_ = 0;
  int64_t count_ = 0;
  bool fired_ = false;
};

// A file of the fault host: reads fail with EIO and writes with ENOSPC when their turn comes.
class FaultFile : public HostFileWrapper {
 public:
  FaultFile(FaultHost& host, std::string_view path, std::unique_ptr<HostFile> target)
      : HostFileWrapper(std::move(target)), host_(host), path_(path) {}
  HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
    if (host_.Step()) return HostStatus(EIO, path_);
    return HostFileWrapper::ReadAt(offset, buffer, n);
  }
  HostStatus WriteAt(int64_t offset, const char* data, size_t n) override {
    if (host_.Step()) return HostStatus(ENOSPC, path_);
    return HostFileWrapper::WriteAt(offset, data, n);
  }

 private:
  FaultHost& host_;
  std::string path_;
};

inline HostResult<std::unique_ptr<HostFile>> FaultHost::OpenShared(std::string_view path, bool create) {
  if (Step()) return HostStatus(EACCES, path);
  auto file = HostWrapper::OpenShared(path, create);
  if (!file.ok()) return file;
  return std::make_unique<FaultFile>(*this, path, std::move(file).value());
}

// A file server as a workstation meets it: renames and removals refused a number of times (the
// file is open elsewhere), and optionally a client that replaces a file by deleting it before a
// rename that then fails. Waits are noted, not waited.
class ServerLikeHost : public HostWrapper {
 public:
  explicit ServerLikeHost(Host& target) : HostWrapper(target) {}

  int busy_renames = 0;         // the next renames over a file refused with EBUSY
  int busy_removals = 0;        // the next removals refused with EBUSY
  bool delete_before_rename = false;  // a refused rename deletes an existing target first
  int write_error = 0;          // WriteNewFile fails with this
  std::string only;             // refuses only renames and removals of paths that end in this
  std::vector<int64_t> waits;   // milliseconds

  HostResult<std::string> WriteNewFile(std::string_view prefix, std::string_view contents,
                                       std::string_view replaces) override {
    if (write_error != 0) return HostStatus(write_error, prefix);
    return HostWrapper::WriteNewFile(prefix, contents, replaces);
  }
  // Only the rename over the file itself is refused: the rename to a finished name is to a name
  // nothing else knows.
  HostStatus RenameFile(std::string_view from, std::string_view to) override {
    if (busy_renames == 0 || ReplacementNameOf(to) || !to.ends_with(only)) return HostWrapper::RenameFile(from, to);
    --busy_renames;
    if (delete_before_rename) static_cast<void>(HostWrapper::RemoveFile(to));
    return HostStatus(EBUSY, to);
  }
  HostStatus RemoveFile(std::string_view path) override {
    if (busy_removals == 0 || !path.ends_with(only)) return HostWrapper::RemoveFile(path);
    --busy_removals;
    return HostStatus(EBUSY, path);
  }
  void Sleep(std::chrono::milliseconds duration) override { waits.push_back(duration.count()); }
};


}  // namespace tervalo::testing
