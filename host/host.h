#pragma once
// The host layer: the one place that talks to the operating system. Paths stay in the system's
// UNC form ("\\SERVER\SHARE\rest") everywhere else; the host maps them to the machine's file
// system only when a file is touched. Tests swap in another Host (fault-injecting, counting) with
// ScopedHost, most often a HostWrapper around the machine's host.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "host/host_status.h"

namespace tervalo {

// An open file shared with other programs and workstations. Offsets are 0-based. A failure names
// the path the file was opened under.
class HostFile {
 public:
  virtual ~HostFile() = default;
  // Reads up to n bytes at offset into buffer: the number read, fewer at the end of the file.
  virtual HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) = 0;
  // Writes all n bytes at offset, growing the file as needed.
  virtual HostStatus WriteAt(int64_t offset, const char* data, size_t n) = 0;
  // The file's length in bytes.
  virtual HostResult<int64_t> Size() = 0;
  // Non-blocking exclusive lock of a byte range that other processes respect; true when granted,
  // false when another holds it (or the system refuses it).
  virtual bool TryLock(int64_t offset, int64_t length) = 0;
  virtual void Unlock(int64_t offset, int64_t length) = 0;
};

// The longest text file the program reads. The terminal map, the catalog configuration and a
// mechanic's schedule file (lines of about 200 bytes, tens of jobs) are a few kilobytes; a file
// longer than this is damaged, and reading it whole would only fill the workstation's memory.
inline constexpr int64_t kMaxTextFileBytes = 1 << 20;

enum class MessageIcon { kNone, kInformation, kExclamation, kCritical };

// A file in a directory, with the time since it was last written (0 when it was not looked up).
struct DirectoryEntry {
  std::string name;
  int64_t age_seconds = 0;
};
// Chooses names in a directory listing.
using NameFilter = std::function<bool(std::string_view name)>;

// What tells one version of a file from another without reading it: a file replaced by a rename
// has another file number, one written in place another size or modification time.
struct FileStamp {
  bool exists = false;
  uint64_t device = 0;
  uint64_t file_number = 0;
  int64_t size = 0;
  int64_t modified_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

struct MessageBoxRequest {
  std::string text;
  std::string title;
  MessageIcon icon = MessageIcon::kNone;
};

// Shows a modal message and returns when the user has answered OK.
using MessageBoxHandler = std::function<void(const MessageBoxRequest&)>;

// The kinds of call that reach the share, where each one is a round trip to the file server.
enum class ShareCall { kRead, kWrite, kLookup, kOpen, kClose, kOther };

// Calls on files and directories of the share (UNC paths), by kind.
struct ShareCallCounts {
  int64_t reads = 0;    // reads of file contents
  int64_t writes = 0;   // writes of file contents
  int64_t lookups = 0;  // stat of a path or an open file, a directory listing
  int64_t opens = 0;    // opens of files and directories, temporary files created
  int64_t closes = 0;
  int64_t others = 0;  // rename, unlink, fsync, fchmod, byte-range locks
  int64_t Total() const { return reads + writes + lookups + opens + closes + others; }
  bool operator==(const ShareCallCounts&) const = default;
};

// Counts the host's calls on the share and, to stand in for a file server on a local disk, makes
// each of them wait a set time first. Calls may come from several threads (the board checks the
// share in the background).
class ShareMeter {
 public:
  void SetLatency(std::chrono::nanoseconds latency);
  std::chrono::nanoseconds latency() const;
  ShareCallCounts counts() const;
  // Records one call and waits the latency.
  void Call(ShareCall kind);

 private:
  mutable std::mutex mutex_;
  std::chrono::nanoseconds latency_{0};
  ShareCallCounts counts_;
};

class Host {
 public:
  virtual ~Host() = default;

  // The machine path of a system path, or none when the path cannot be mapped (a UNC path with
  // an empty server or share name, or one that would leave its share).
  virtual std::optional<std::string> MapPath(std::string_view path) = 0;

  // Files and directories (hidden, system and read-only files count as existing). A path that
  // cannot be looked at counts as missing.
  virtual bool FileExists(std::string_view path) = 0;
  virtual bool DirectoryExists(std::string_view path) = 0;

  // The calls below fail with the system's error number and the path as given. A path that
  // cannot be mapped (see MapPath) fails with ENOENT; its stamp says that there is no file.

  // Opens an existing file for shared reading and writing; with create, a missing file is created
  // empty.
  virtual HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) = 0;
  // A text file read whole and cut into lines (CR LF or LF ends a line); fails with ENOENT when
  // the file is missing, and with EFBIG, having read no more than kMaxTextFileBytes and a little,
  // when it is longer than that.
  virtual HostResult<std::vector<std::string>> ReadTextLines(std::string_view path) = 0;
  // The stamp of a file (exists false when there is none); fails when the file cannot be looked at.
  virtual HostResult<FileStamp> StampOf(std::string_view path) = 0;
  // Creates a file named `prefix` and six more characters, a name no file had, writes `contents`
  // into it, flushes it to the disk and closes it. It is created with the permissions of the file
  // `replaces` names (the file it is to replace), or, where there is none, of any new file (0666
  // less the umask on POSIX); the process's umask is neither read nor changed. Returns its name
  // (the prefix and the six characters). On a failure the file is removed. Replacing a file whole
  // is built on it: see host/file_replace.h.
  virtual HostResult<std::string> WriteNewFile(std::string_view prefix, std::string_view contents,
                                               std::string_view replaces) = 0;
  // Renames a file, replacing any file `to`, in one attempt. A file server refuses it while a
  // program (on any workstation) holds either file open. A failure names `to`.
  virtual HostStatus RenameFile(std::string_view from, std::string_view to) = 0;
  // Deletes a file in one attempt; succeeds when it is gone afterwards (also when there was none).
  virtual HostStatus RemoveFile(std::string_view path) = 0;
  // The files of a directory (not its subdirectories). Only the files whose names `aged` chooses
  // are looked at one by one for their age: on a file server each look is a round trip, and a
  // data folder holds hundreds of files.
  virtual HostResult<std::vector<DirectoryEntry>> ListDirectory(std::string_view path, const NameFilter& aged) = 0;

  // The workstation's wall-clock time: its local date and time of day, to the second.
  virtual std::chrono::local_seconds Now() = 0;
  // Waits for the given time. Retries that wait for another workstation or the file server wait
  // here, so that a test host can skip the waits.
  virtual void Sleep(std::chrono::milliseconds duration) = 0;

  // Temporary directory with its final separator; empty when there is none.
  virtual std::string TempDirectory() = 0;
  virtual std::string ComputerName() = 0;
  // IPv4 address of a host name or dotted address as four octets, first octet in the high byte;
  // 0xFFFFFFFF when it cannot be resolved.
  virtual uint32_t ResolveHostAddress(std::string_view name) = 0;

  // While the calls are nested inside at least one Begin/End pair (one refresh of the board), the
  // host may resolve each directory of the share once and keep what it found: the share's folders
  // do not move within a refresh. Files created meanwhile are still found by their exact names.
  // Only the thread that opened the cache uses it; other threads look their paths up afresh.
  virtual void BeginDirectoryCache() {}
  virtual void EndDirectoryCache() {}

  // Message boxes go to the handler (without one, to standard error) with the text's control
  // bytes escaped.
  virtual void SetMessageBoxHandler(MessageBoxHandler handler) { message_box_ = std::move(handler); }
  virtual void ShowMessage(const MessageBoxRequest& request);

 private:
  MessageBoxHandler message_box_;
};

// The machine's own host: POSIX files, with UNC paths mapped under TERVALO_UNC_ROOT (default /mnt).
class PosixHost : public Host {
 public:
  std::optional<std::string> MapPath(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  bool DirectoryExists(std::string_view path) override;
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override;
  HostResult<std::vector<std::string>> ReadTextLines(std::string_view path) override;
  HostResult<FileStamp> StampOf(std::string_view path) override;
  HostResult<std::string> WriteNewFile(std::string_view prefix, std::string_view contents,
                                       std::string_view replaces) override;
  HostStatus RenameFile(std::string_view from, std::string_view to) override;
  HostStatus RemoveFile(std::string_view path) override;
  HostResult<std::vector<DirectoryEntry>> ListDirectory(std::string_view path, const NameFilter& aged) override;
  std::chrono::local_seconds Now() override;
  void Sleep(std::chrono::milliseconds duration) override;
  std::string TempDirectory() override;
  std::string ComputerName() override;
  uint32_t ResolveHostAddress(std::string_view name) override;
  void BeginDirectoryCache() override;
  void EndDirectoryCache() override;

  // Counts (and delays, for benchmarks) every call on a path of the share.
  ShareMeter& share_meter() { return *meter_; }

  // Directories resolved while a cache is open: UNC directory -> machine path, and the entry
  // names of machine directories listed to match a name without regard to letter case.
  struct DirectoryCache {
    std::unordered_map<std::string, std::string> mapped;
    std::unordered_map<std::string, std::vector<std::string>> listings;
  };

 private:
  std::shared_ptr<ShareMeter> MeterFor(std::string_view path);
  std::optional<std::string> MapSharePath(std::string_view path);

  std::shared_ptr<ShareMeter> meter_ = std::make_shared<ShareMeter>();
  int cache_depth_ = 0;  // changed only by the thread that opens the cache
  std::atomic<std::thread::id> cache_owner_{};
  DirectoryCache cache_;
};

// An open file that passes every call to the file it wraps; a test host's files derive from it
// and override only what they change.
class HostFileWrapper : public HostFile {
 public:
  explicit HostFileWrapper(std::unique_ptr<HostFile> target) : target_(std::move(target)) {}
  HostFile& target() const { return *target_; }

  HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
    return target_->ReadAt(offset, buffer, n);
  }
  HostStatus WriteAt(int64_t offset, const char* data, size_t n) override {
    return target_->WriteAt(offset, data, n);
  }
  HostResult<int64_t> Size() override { return target_->Size(); }
  bool TryLock(int64_t offset, int64_t length) override { return target_->TryLock(offset, length); }
  void Unlock(int64_t offset, int64_t length) override { target_->Unlock(offset, length); }

 private:
  std::unique_ptr<HostFile> target_;
};

// A host that passes every call to a target host; a test host derives from it and overrides only
// the calls it changes. What the target does inside a call stays with the target: the waits of
// its own retries go to its own Sleep.
class HostWrapper : public Host {
 public:
  explicit HostWrapper(Host& target) : target_(target) {}
  Host& target() const { return target_; }

  std::optional<std::string> MapPath(std::string_view path) override { return target_.MapPath(path); }
  bool FileExists(std::string_view path) override { return target_.FileExists(path); }
  bool DirectoryExists(std::string_view path) override { return target_.DirectoryExists(path); }
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override {
    return target_.OpenShared(path, create);
  }
  HostResult<std::vector<std::string>> ReadTextLines(std::string_view path) override {
    return target_.ReadTextLines(path);
  }
  HostResult<FileStamp> StampOf(std::string_view path) override { return target_.StampOf(path); }
  HostResult<std::string> WriteNewFile(std::string_view prefix, std::string_view contents,
                                       std::string_view replaces) override {
    return target_.WriteNewFile(prefix, contents, replaces);
  }
  HostStatus RenameFile(std::string_view from, std::string_view to) override { return target_.RenameFile(from, to); }
  HostStatus RemoveFile(std::string_view path) override { return target_.RemoveFile(path); }
  HostResult<std::vector<DirectoryEntry>> ListDirectory(std::string_view path, const NameFilter& aged) override {
    return target_.ListDirectory(path, aged);
  }
  std::chrono::local_seconds Now() override { return target_.Now(); }
  void Sleep(std::chrono::milliseconds duration) override { target_.Sleep(duration); }
  std::string TempDirectory() override { return target_.TempDirectory(); }
  std::string ComputerName() override { return target_.ComputerName(); }
  uint32_t ResolveHostAddress(std::string_view name) override { return target_.ResolveHostAddress(name); }
  void BeginDirectoryCache() override { target_.BeginDirectoryCache(); }
  void EndDirectoryCache() override { target_.EndDirectoryCache(); }
  void SetMessageBoxHandler(MessageBoxHandler handler) override {
    target_.SetMessageBoxHandler(std::move(handler));
  }
  void ShowMessage(const MessageBoxRequest& request) override { target_.ShowMessage(request); }

 private:
  Host& target_;
};

// Keeps the host's directory cache open for its lifetime.
class DirectoryCacheScope {
 public:
  explicit DirectoryCacheScope(Host& host) : host_(host) { host_.BeginDirectoryCache(); }
  ~DirectoryCacheScope() { host_.EndDirectoryCache(); }
  DirectoryCacheScope(const DirectoryCacheScope&) = delete;
  DirectoryCacheScope& operator=(const DirectoryCacheScope&) = delete;

 private:
  Host& host_;
};

// The host every part of the program uses.
Host& CurrentHost();

// Puts another host in place for the lifetime of this object (tests, tools).
class ScopedHost {
 public:
  explicit ScopedHost(Host& host);
  ~ScopedHost();
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

 private:
  Host* previous_;
};

// Maps "\\SERVER\SHARE\rest" to root/SERVER/SHARE/rest, matching each name without regard to
// letter case when the exact name does not exist. Paths that are not UNC are returned unchanged.
std::optional<std::string> MapUncPath(std::string_view path, const std::string& root);

// The value of key in [section] of an INI text, as GetPrivateProfileStringA gives it with an
// empty default and a 100-character buffer: empty when missing, cut to 99 characters.
std::string ProfileString(const std::vector<std::string>& lines, std::string_view section,
                          std::string_view key);

}  // namespace tervalo
