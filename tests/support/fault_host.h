#pragma once
// A host that fails one chosen operation on files, as a share does when the disk is full, the
// server drops the connection or a folder turns read-only: the Nth open, read, write, flush,
// rename or removal counted from FailAt. Everything else goes to the machine's own host.

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

#include "tests/support/temp_share.h"

namespace tervalo::testing {

class FaultHost : public TestHost {
 public:
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

  std::unique_ptr<HostFile> OpenShared(std::string_view path, bool create, int& error) override;
  // Text files whose path ends in this name cannot be read (EIO) while it is set.
  std::string unreadable;

  std::optional<std::vector<std::string>> ReadTextLines(std::string_view path, int& error) override {
    if (Step() || Unreadable(path)) {
      error = EIO;
      return std::nullopt;
    }
    return TestHost::ReadTextLines(path, error);
  }
  std::optional<FileStamp> StampOf(std::string_view path, int& error) override {
    if (Step() || Unreadable(path)) {
      error = EIO;
      return std::nullopt;
    }
    return TestHost::StampOf(path, error);
  }
  std::string ReplaceFile(std::string_view path, std::string_view contents) override {
    // The three steps of a replacement: the new file written, flushed, renamed over the old one.
    // A failure in any of them leaves the old file as it was.
    if (Step()) return "Could not write " + std::string(path) + ": No space left on device";
    if (Step()) return "Could not write " + std::string(path) + ": Input/output error";
    if (Step()) return "Could not write " + std::string(path) + ": Permission denied";
    return TestHost::ReplaceFile(path, contents);
  }
  std::string RemoveFile(std::string_view path) override {
    if (Step()) return "Could not remove " + std::string(path) + ": Permission denied";
    return TestHost::RemoveFile(path);
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
class FaultFile : public HostFile {
 public:
  FaultFile(FaultHost& host, std::unique_ptr<HostFile> file) : host_(host), file_(std::move(file)) {}
  int64_t ReadAt(int64_t offset, char* buffer, size_t n) override {
    if (host_.Step()) {
      error_ = EIO;
      return -1;
    }
    return file_->ReadAt(offset, buffer, n);
  }
  bool WriteAt(int64_t offset, const char* data, size_t n) override {
    if (host_.Step()) {
      error_ = ENOSPC;
      return false;
    }
    return file_->WriteAt(offset, data, n);
  }
  int64_t Size() override { return file_->Size(); }
  bool TryLock(int64_t offset, int64_t length) override { return file_->TryLock(offset, length); }
  void Unlock(int64_t offset, int64_t length) override { file_->Unlock(offset, length); }
  int LastError() const override { return error_ != 0 ? error_ : file_->LastError(); }

 private:
  FaultHost& host_;
  std::unique_ptr<HostFile> file_;
  int error_ = 0;
};

inline std::unique_ptr<HostFile> FaultHost::OpenShared(std::string_view path, bool create, int& error) {
  if (Step()) {
    error = EACCES;
    return nullptr;
  }
  auto file = TestHost::OpenShared(path, create, error);
  if (!file) return file;
  return std::make_unique<FaultFile>(*this, std::move(file));
}

}  // namespace tervalo::testing
