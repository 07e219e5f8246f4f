#pragma once
// A host that fails one chosen operation on files, as a share does when the disk is full, the
// server drops the connection or a folder turns read-only: the Nth open, read, write, flush,
// rename or removal counted from FailAt. Everything else goes to the target host (the test host).

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
  HostStatus ReplaceFile(std::string_view path, std::string_view contents) override {
    // The three steps of a replacement: the new file written, flushed, renamed over the old one.
    // A failure in any of them leaves the old file as it was.
    if (Step()) return HostStatus(ENOSPC, path);
    if (Step()) return HostStatus(EIO, path);
    if (Step()) return HostStatus(EACCES, path);
    return HostWrapper::ReplaceFile(path, contents);
  }
  HostStatus RemoveFile(std::string_view path) override {
    if (Step()) return HostStatus(EACCES, path);
    return HostWrapper::RemoveFile(path);
  }

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

}  // namespace tervalo::testing
