// The POSIX host: files through open/pread/pwrite with open-file-description locks, UNC paths
// mapped under a root directory, the machine's name and address.

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <random>
#include <sstream>
#include <thread>

#include "base/basic_text.h"
#include "host/host.h"

namespace tervalo {
namespace {

// One system call on a path or file: counted and delayed by the meter when it is on the share.
void Note(const std::shared_ptr<ShareMeter>& meter, ShareCall kind) {
  if (meter != nullptr) meter->Call(kind);
}

// Writes all n bytes at offset, as often as the system takes only part of them.
HostStatus WriteAll(int fd, int64_t offset, const char* data, size_t n, std::string_view path,
                    const std::shared_ptr<ShareMeter>& meter) {
  size_t done = 0;
  while (done < n) {
    Note(meter, ShareCall::kWrite);
    const ssize_t put = ::pwrite(fd, data + done, n - done, offset + static_cast<int64_t>(done));
    if (put < 0) {
      if (errno == EINTR) continue;
      return HostStatus(errno, path);
    }
    done += static_cast<size_t>(put);
  }
  return {};
}

// Whether an open file lies on a network file system whose client may keep the file's pages
// while it is open without hearing of other workstations' writes: a FUSE client such as
// smbnetfs keeps them until the file is opened again, however long the board holds it open.
bool OnNetworkFileSystem(int fd) {
  constexpr long kFuse = 0x65735546, kSmb = 0x517B, kSmb2 = 0xFE534D42, kCifs = 0xFF534D42, kNfs = 0x6969;
  struct statfs info {};
  if (::fstatfs(fd, &info) != 0) return false;
  const long type = static_cast<long>(info.f_type);
  return type == kFuse || type == kSmb || type == kSmb2 || type == kCifs || type == kNfs;
}

class PosixFile : public HostFile {
 public:
  // path: as the caller named the file, for failures. meter: none for a file off the share.
  // Shared, so that a file may outlive its host.
  PosixFile(int fd, std::string_view path, std::shared_ptr<ShareMeter> meter)
      : fd_(fd), path_(path), meter_(std::move(meter)), uncached_(OnNetworkFileSystem(fd)) {}
  ~PosixFile() override {
    Note(meter_, ShareCall::kClose);
    ::close(fd_);
  }

  HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
    // Other workstations write into the shared files (marks in INVOL above all): on a network
    // file system every read goes to the server, not to pages kept from an earlier read. The
    // pages that cover the range are dropped first; this costs no call on the server.
    if (uncached_ && n > 0) {
      constexpr int64_t kPage = 4096;
      const int64_t first = offset / kPage * kPage;
      const int64_t end = (offset + static_cast<int64_t>(n) + kPage - 1) / kPage * kPage;
      ::posix_fadvise(fd_, first, end - first, POSIX_FADV_DONTNEED);
    }
    size_t done = 0;
    while (done < n) {
      Note(meter_, ShareCall::kRead);
      const ssize_t got =
          ::pread(fd_, buffer + done, n - done, offset + static_cast<int64_t>(done));
      if (got < 0) {
        if (errno == EINTR) continue;
        return HostStatus(errno, path_);
      }
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
  }

  HostStatus WriteAt(int64_t offset, const char* data, size_t n) override {
    return WriteAll(fd_, offset, data, n, path_, meter_);
  }

  HostResult<int64_t> Size() override {
    struct stat st {};
    Note(meter_, ShareCall::kLookup);
    if (::fstat(fd_, &st) != 0) return HostStatus(errno, path_);
    return static_cast<int64_t>(st.st_size);
  }

  bool TryLock(int64_t offset, int64_t length) override { return SetLock(F_WRLCK, offset, length); }
  void Unlock(int64_t offset, int64_t length) override { SetLock(F_UNLCK, offset, length); }

 private:
  bool SetLock(short type, int64_t offset, int64_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = length;
    lock.l_pid = 0;  // required for open-file-description locks
    Note(meter_, ShareCall::kOther);
    return ::fcntl(fd_, F_OFD_SETLK, &lock) == 0;
  }

  int fd_;
  std::string path_;
  std::shared_ptr<ShareMeter> meter_;
  bool uncached_;
};

bool PathExists(const std::string& path, const std::shared_ptr<ShareMeter>& meter) {
  struct stat st {};
  Note(meter, ShareCall::kLookup);
  return ::lstat(path.c_str(), &st) == 0;
}

// The names in directory dir (none when it cannot be listed).
std::vector<std::string> ListDirectory(const std::string& dir,
                                       const std::shared_ptr<ShareMeter>& meter) {
  std::vector<std::string> names;
  Note(meter, ShareCall::kOpen);
  DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
  if (d == nullptr) return names;
  Note(meter, ShareCall::kLookup);
  while (dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
  Note(meter, ShareCall::kClose);
  ::closedir(d);
  return names;
}

// The name among names that equals name without regard to letter case, if any.
std::optional<std::string> FindIgnoringCase(const std::vector<std::string>& names,
                                            std::string_view name) {
  for (const std::string& candidate : names) {
    if (EqualsIgnoreCase(candidate, name)) return candidate;
  }
  return std::nullopt;
}

// Resolves one name inside machine directory dir: the exact name when it exists, else an entry
// that matches it without regard to letter case, else the exact name (a missing file). With a
// cache, the directory is listed once and its listing answers every later name.
std::string ResolveName(const std::string& dir, std::string_view name,
                        const std::shared_ptr<ShareMeter>& meter,
                        PosixHost::DirectoryCache* cache) {
  const std::string exact = dir + "/" + std::string(name);
  if (cache == nullptr) {
    if (PathExists(exact, meter)) return exact;
    const auto other = FindIgnoringCase(ListDirectory(dir, meter), name);
    return other ? dir + "/" + *other : exact;
  }
  auto listing = cache->listings.find(dir);
  if (listing == cache->listings.end()) {
    listing = cache->listings.emplace(dir, ListDirectory(dir, meter)).first;
  }
  const std::vector<std::string>& names = listing->second;
  if (std::find(names.begin(), names.end(), name) != names.end()) return exact;
  const auto other = FindIgnoringCase(names, name);
  return other ? dir + "/" + *other : exact;
}

// The components after "\\" of a UNC path, checked: none when a server or share name is empty
// or a component would leave the share.
std::optional<std::vector<std::string_view>> UncParts(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 2;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  if (parts.size() < 2 || parts[0].empty() || parts[1].empty()) return std::nullopt;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string_view part = parts[i];
    if (part.empty()) continue;
    if (part == "." || part == ".." || part.find('/') != std::string_view::npos ||
        part.find('\0') != std::string_view::npos) {
      return std::nullopt;
    }
  }
  return parts;
}

bool IsUncPath(std::string_view path) { return path.substr(0, 2) == "\\\\"; }

// Maps a UNC path under root, component by component; with a cache, the directory part is
// resolved once per cache and only the last name is looked up.
std::optional<std::string> MapUnc(std::string_view path, const std::string& root,
                                  const std::shared_ptr<ShareMeter>& meter,
                                  PosixHost::DirectoryCache* cache) {
  if (!IsUncPath(path)) return std::string(path);
  const auto parts = UncParts(path);
  if (!parts) return std::nullopt;
  std::string mapped = root;
  size_t first = 0;
  const size_t last_slash = path.rfind('\\');
  const std::string directory(path.substr(0, last_slash));
  if (cache != nullptr && parts->size() > 1) {
    if (auto known = cache->mapped.find(directory); known != cache->mapped.end()) {
      mapped = known->second;
      first = parts->size() - 1;
    }
  }
  for (size_t i = first; i < parts->size(); ++i) {
    const std::string_view part = (*parts)[i];
    if (part.empty()) continue;  // a final backslash names the directory itself
    mapped = ResolveName(mapped, part, meter, cache);
    if (cache != nullptr && i + 2 == parts->size()) cache->mapped.emplace(directory, mapped);
  }
  return mapped;
}

std::string UncRoot() {
  const char* root = std::getenv("TERVALO_UNC_ROOT");
  std::string r = (root != nullptr && *root != '\0') ? root : "/mnt";
  while (r.size() > 1 && r.back() == '/') r.pop_back();
  return r;
}

void DefaultMessageBox(const MessageBoxRequest& request) {
  std::cerr << request.title << ": " << request.text << "\n";
}

Host* g_current_host = nullptr;

// Six letters or digits chosen at random, as mkstemp chooses them: what makes a new file's name
// one that no file has.
std::string UniqueSuffix() {
  static constexpr std::string_view kCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 random{std::random_device{}() ^
                                      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
  std::uniform_int_distribution<size_t> pick(0, kCharacters.size() - 1);
  std::string suffix(6, ' ');
  for (char& c : suffix) c = kCharacters[pick(random)];
  return suffix;
}

}  // namespace

void ShareMeter::SetLatency(std::chrono::nanoseconds latency) {
  const std::lock_guard lock(mutex_);
  latency_ = latency;
}

std::chrono::nanoseconds ShareMeter::latency() const {
  const std::lock_guard lock(mutex_);
  return latency_;
}

ShareCallCounts ShareMeter::counts() const {
  const std::lock_guard lock(mutex_);
  return counts_;
}

void ShareMeter::Call(ShareCall kind) {
  std::unique_lock lock(mutex_);
  switch (kind) {
    case ShareCall::kRead: ++counts_.reads; break;
    case ShareCall::kWrite: ++counts_.writes; break;
    case ShareCall::kLookup: ++counts_.lookups; break;
    case ShareCall::kOpen: ++counts_.opens; break;
    case ShareCall::kClose: ++counts_.closes; break;
    case ShareCall::kOther: ++counts_.others; break;
  }
  const std::chrono::nanoseconds latency = latency_;
  lock.unlock();
  if (latency.count() > 0) std::this_thread::sleep_for(latency);
}

std::optional<std::string> MapUncPath(std::string_view path, const std::string& root) {
  return MapUnc(path, root, nullptr, nullptr);
}

std::string ProfileString(const std::vector<std::string>& lines, std::string_view section,
                          std::string_view key) {
  bool in_section = false;
  for (const std::string& raw : lines) {
    const std::string_view line = TrimBlanks(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      in_section = close != std::string_view::npos &&
                   EqualsIgnoreCase(TrimBlanks(line.substr(1, close - 1)), section);
      continue;
    }
    if (!in_section) continue;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos || !EqualsIgnoreCase(TrimBlanks(line.substr(0, eq)), key)) {
      continue;
    }
    std::string_view value = TrimBlanks(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, 99));
  }
  return {};
}

void Host::ShowMessage(const MessageBoxRequest& request) {
  // Messages quote names and values read from files (the catalog configuration among them);
  // a damaged file's control bytes are shown escaped.
  const MessageBoxRequest shown{EscapeControlBytes(request.text), EscapeControlBytes(request.title),
                                request.icon};
  if (message_box_) {
    message_box_(shown);
  } else {
    DefaultMessageBox(shown);
  }
}

std::shared_ptr<ShareMeter> PosixHost::MeterFor(std::string_view path) {
  return IsUncPath(path) ? meter_ : nullptr;
}

std::optional<std::string> PosixHost::MapSharePath(std::string_view path) {
  const bool cached = cache_owner_.load() == std::this_thread::get_id();
  return MapUnc(path, UncRoot(), MeterFor(path), cached ? &cache_ : nullptr);
}

std::optional<std::string> PosixHost::MapPath(std::string_view path) { return MapSharePath(path); }

void PosixHost::BeginDirectoryCache() {
  if (cache_depth_++ == 0) cache_owner_ = std::this_thread::get_id();
}

void PosixHost::EndDirectoryCache() {
  if (cache_depth_ == 0 || --cache_depth_ > 0) return;
  cache_owner_ = std::thread::id();
  cache_ = {};
}

bool PosixHost::FileExists(std::string_view path) {
  const auto mapped = MapSharePath(path);
  struct stat st {};
  if (!mapped) return false;
  Note(MeterFor(path), ShareCall::kLookup);
  return ::stat(mapped->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PosixHost::DirectoryExists(std::string_view path) {
  const auto mapped = MapSharePath(path);
  struct stat st {};
  if (!mapped) return false;
  Note(MeterFor(path), ShareCall::kLookup);
  return ::stat(mapped->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

HostResult<std::unique_ptr<HostFile>> PosixHost::OpenShared(std::string_view path, bool create) {
  const auto mapped = MapSharePath(path);
  if (!mapped) return HostStatus(ENOENT, path);
  const auto meter = MeterFor(path);
  Note(meter, ShareCall::kOpen);
  int fd = ::open(mapped->c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
  // A file the workstation may only read still serves every read; writes to it then fail.
  const bool read_only = fd < 0 && (errno == EACCES || errno == EROFS);
  if (read_only) {
    Note(meter, ShareCall::kOpen);
    fd = ::open(mapped->c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) return HostStatus(errno, path);
  std::unique_ptr<HostFile> file = std::make_unique<PosixFile>(fd, path, meter);
  // Opening a directory for writing fails with EISDIR by itself; a read-only open needs a look.
  struct stat st {};
  if (read_only) Note(meter, ShareCall::kLookup);
  if (read_only && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) return HostStatus(EISDIR, path);
  return file;
}

namespace {

// Cuts a text into lines: LF or CR LF ends a line; a last line without an end still counts.
std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

HostResult<std::vector<std::string>> PosixHost::ReadTextLines(std::string_view path) {
  const auto mapped = MapSharePath(path);
  if (!mapped) return HostStatus(ENOENT, path);
  const auto meter = MeterFor(path);
  Note(meter, ShareCall::kOpen);
  // Without O_NONBLOCK a named pipe would hold the open until something writes to it.
  const int fd = ::open(mapped->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return HostStatus(errno, path);
  PosixFile file(fd, path, meter);  // closes the file on every return
  // A text file the program reads (terminal map, schedule file) fits one read of this size; a
  // short read ends the file, a full one is followed by more. A directory fails its first read.
  // A file longer than any the program reads is not read on (its length is not looked up first:
  // that would cost every read a call on the share).
  constexpr size_t kChunk = 64 * 1024;
  std::string text;
  for (;;) {
    const size_t at = text.size();
    text.resize(at + kChunk);
    Note(meter, ShareCall::kRead);
    const ssize_t got = ::pread(fd, text.data() + at, kChunk, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) {
      text.resize(at);
      continue;
    }
    if (got < 0) return HostStatus(errno, path);
    text.resize(at + static_cast<size_t>(got));
    if (text.size() > static_cast<size_t>(kMaxTextFileBytes)) return HostStatus(EFBIG, path);
    if (static_cast<size_t>(got) < kChunk) break;
  }
  return SplitTextLines(text);
}

HostResult<FileStamp> PosixHost::StampOf(std::string_view path) {
  const auto mapped = MapSharePath(path);
  if (!mapped) return FileStamp{};
  Note(MeterFor(path), ShareCall::kLookup);
  struct stat st {};
  if (::stat(mapped->c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return FileStamp{};
    return HostStatus(errno, path);
  }
  return FileStamp{true, static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                   static_cast<int64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

HostResult<std::string> PosixHost::WriteNewFile(std::string_view prefix, std::string_view contents,
                                               std::string_view replaces) {
  const auto mapped = MapSharePath(prefix);
  if (!mapped) return HostStatus(ENOENT, prefix);
  const auto meter = MeterFor(prefix);
  // The permissions of the file it replaces, so that a replaced file keeps them; without one, the
  // permissions open gives any new file (0666 less the umask, or the folder's default ACL). The
  // file is created with them at once: the umask is never looked at, let alone changed (changing
  // it, even for a moment, would change it for every thread of the program).
  std::optional<mode_t> kept;
  if (const auto old = replaces.empty() ? std::nullopt : MapSharePath(replaces)) {
    struct stat st {};
    Note(MeterFor(replaces), ShareCall::kLookup);
    if (::stat(old->c_str(), &st) == 0 && S_ISREG(st.st_mode)) kept = st.st_mode & 0777;
  }
  // A name no file has: another workstation may be writing beside the same file, and the server
  // matches names without regard to letter case.
  constexpr int kNameAttempts = 100;
  std::string name;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < kNameAttempts; ++attempt) {
    name = *mapped + UniqueSuffix();
    Note(meter, ShareCall::kOpen);
    fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kept.value_or(0666));
    if (fd < 0 && errno != EEXIST) return HostStatus(errno, prefix);
  }
  if (fd < 0) return HostStatus(EEXIST, prefix);
  const std::string created = std::string(prefix) + name.substr(name.size() - 6);
  HostStatus status = WriteAll(fd, 0, contents.data(), contents.size(), created, meter);
  // open took the umask off the kept permissions; they are given back whole. Flushed and closed
  // here, so that the file server holds the file whole and lets it be renamed: a server refuses
  // to rename a file that is still open.
  if (status.ok() && kept) {
    Note(meter, ShareCall::kOther);
    if (::fchmod(fd, *kept) != 0) status = HostStatus(errno, created);
  }
  if (status.ok()) {
    Note(meter, ShareCall::kOther);
    if (::fsync(fd) != 0) status = HostStatus(errno, created);
  }
  Note(meter, ShareCall::kClose);
  // A network file system may report a failed write only when the file is closed.
  if (::close(fd) != 0 && status.ok()) status = HostStatus(errno, created);
  if (status.ok()) return created;
  Note(meter, ShareCall::kOther);
  ::unlink(name.c_str());
  return status;
}

HostStatus PosixHost::RenameFile(std::string_view from, std::string_view to) {
  const auto source = MapSharePath(from);
  if (!source) return HostStatus(ENOENT, from);
  const auto target = MapSharePath(to);
  if (!target) return HostStatus(ENOENT, to);
  Note(MeterFor(to), ShareCall::kOther);
  if (::rename(source->c_str(), target->c_str()) == 0) return {};
  return HostStatus(errno, to);
}

HostStatus PosixHost::RemoveFile(std::string_view path) {
  const auto mapped = MapSharePath(path);
  if (!mapped) return HostStatus(ENOENT, path);
  Note(MeterFor(path), ShareCall::kOther);
  if (::unlink(mapped->c_str()) == 0 || errno == ENOENT) return {};
  return HostStatus(errno, path);
}

HostResult<std::vector<DirectoryEntry>> PosixHost::ListDirectory(std::string_view path, const NameFilter& aged) {
  std::vector<DirectoryEntry> entries;
  const auto mapped = MapPath(path);
  if (!mapped) return HostStatus(ENOENT, path);
  const auto meter = MeterFor(path);
  Note(meter, ShareCall::kOpen);
  DIR* dir = ::opendir(mapped->c_str());
  if (dir == nullptr) return HostStatus(errno, path);
  const auto now = std::chrono::system_clock::now();
  Note(meter, ShareCall::kLookup);
  while (const dirent* entry = ::readdir(dir)) {
    // The listing's own type of an entry spares a look at every file that needs no age.
    if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
    const bool with_age = aged(entry->d_name);
    if (!with_age && entry->d_type == DT_REG) {
      entries.push_back({entry->d_name, 0});
      continue;
    }
    struct stat info {};
    const std::string full = *mapped + "/" + entry->d_name;
    Note(meter, ShareCall::kLookup);
    if (::stat(full.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    const auto written = std::chrono::system_clock::from_time_t(info.st_mtime);
    const int64_t age = std::chrono::duration_cast<std::chrono::seconds>(now - written).count();
    entries.push_back({entry->d_name, with_age ? age : 0});
  }
  Note(meter, ShareCall::kClose);
  ::closedir(dir);
  return entries;
}

std::chrono::local_seconds PosixHost::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  using namespace std::chrono;
  return local_days{year{local.tm_year + 1900} / month{static_cast<unsigned>(local.tm_mon + 1)} /
                    day{static_cast<unsigned>(local.tm_mday)}} +
         hours{local.tm_hour} + minutes{local.tm_min} + seconds{local.tm_sec};
}

void PosixHost::Sleep(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

std::string PosixHost::TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string d = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  if (d.back() != '/') d.push_back('/');
  return d;
}

std::string PosixHost::ComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

uint32_t PosixHost::ResolveHostAddress(std::string_view name) {
  const std::string text(name);
  in_addr address{};
  if (::inet_pton(AF_INET, text.c_str(), &address) == 1) return ntohl(address.s_addr);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* result = nullptr;
  if (::getaddrinfo(text.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) {
    return 0xFFFFFFFFu;
  }
  const auto* in = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
  const uint32_t value = ntohl(in->sin_addr.s_addr);
  ::freeaddrinfo(result);
  return value;
}

Host& CurrentHost() {
  static PosixHost machine;
  return g_current_host != nullptr ? *g_current_host : machine;
}

ScopedHost::ScopedHost(Host& host) : previous_(g_current_host) { g_current_host = &host; }
ScopedHost::~ScopedHost() { g_current_host = previous_; }

}  // namespace tervalo
