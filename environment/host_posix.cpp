// The POSIX host: files through open/pread/pwrite with open-file-description locks, UNC paths
// mapped under a root directory, the machine's name and address.

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "engine/basic_text.h"
#include "environment/host.h"

namespace tervalo {
namespace {

class PosixFile : public HostFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }

  int64_t ReadAt(int64_t offset, char* buffer, size_t n) override {
    size_t done = 0;
    while (done < n) {
      const ssize_t got = ::pread(fd_, buffer + done, n - done, offset + static_cast<int64_t>(done));
      if (got < 0) {
        if (errno == EINTR) continue;
        error_ = errno;
        return -1;
      }
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
  }

  bool WriteAt(int64_t offset, const char* data, size_t n) override {
    size_t done = 0;
    while (done < n) {
      const ssize_t put = ::pwrite(fd_, data + done, n - done, offset + static_cast<int64_t>(done));
      if (put < 0) {
        if (errno == EINTR) continue;
        error_ = errno;
        return false;
      }
      done += static_cast<size_t>(put);
    }
    return true;
  }

  int64_t Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
      error_ = errno;
      return -1;
    }
    return st.st_size;
  }

  bool TryLock(int64_t offset, int64_t length) override { return SetLock(F_WRLCK, offset, length); }
  void Unlock(int64_t offset, int64_t length) override { SetLock(F_UNLCK, offset, length); }
  int LastError() const override { return error_; }

 private:
  bool SetLock(short type, int64_t offset, int64_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = length;
    lock.l_pid = 0;  // required for open-file-description locks
    if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) return true;
    error_ = errno;
    return false;
  }

  int fd_;
  int error_ = 0;
};

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// The entry of directory dir whose name equals name without regard to letter case, if any.
std::optional<std::string> FindIgnoringCase(const std::string& dir, std::string_view name) {
  DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
  if (d == nullptr) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* e = ::readdir(d)) {
    if (EqualsIgnoreCase(e->d_name, name)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
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

// The mode an ordinary new file gets (mkstemp creates private files; a schedule file is shared).
mode_t NewFileMode() {
  static const mode_t mode = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

}  // namespace

std::optional<std::string> MapUncPath(std::string_view path, const std::string& root) {
  if (path.substr(0, 2) != "\\\\") return std::string(path);
  std::vector<std::string_view> parts;
  size_t start = 2;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  if (parts.size() < 2 || parts[0].empty() || parts[1].empty()) return std::nullopt;
  std::string mapped = root;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string_view part = parts[i];
    if (part.empty()) {
      if (i + 1 == parts.size()) break;  // a final backslash names the directory itself
      continue;
    }
    if (part == "." || part == ".." || part.find('/') != std::string_view::npos ||
        part.find('\0') != std::string_view::npos) {
      return std::nullopt;
    }
    std::string exact = mapped + "/" + std::string(part);
    if (!PathExists(exact)) {
      if (auto other = FindIgnoringCase(mapped, part)) exact = mapped + "/" + *other;
    }
    mapped = std::move(exact);
  }
  return mapped;
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

std::optional<std::string> PosixHost::MapPath(std::string_view path) {
  return MapUncPath(path, UncRoot());
}

bool PosixHost::FileExists(std::string_view path) {
  const auto mapped = MapPath(path);
  struct stat st {};
  return mapped && ::stat(mapped->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PosixHost::DirectoryExists(std::string_view path) {
  const auto mapped = MapPath(path);
  struct stat st {};
  return mapped && ::stat(mapped->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::unique_ptr<HostFile> PosixHost::OpenShared(std::string_view path, bool create, int& error) {
  const auto mapped = MapPath(path);
  if (!mapped) {
    error = ENOENT;
    return nullptr;
  }
  struct stat st {};
  if (::stat(mapped->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    error = EISDIR;
    return nullptr;
  }
  int fd = ::open(mapped->c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
  // A file the workstation may only read still serves every read; writes to it then fail.
  if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = ::open(mapped->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  error = 0;
  return std::make_unique<PosixFile>(fd);
}

std::optional<std::vector<std::string>> PosixHost::ReadTextLines(std::string_view path, int& error) {
  error = ENOENT;
  const auto mapped = MapPath(path);
  if (!mapped || !FileExists(path)) return std::nullopt;
  const int fd = ::open(mapped->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return std::nullopt;
  }
  PosixFile file(fd);
  std::string text;
  char buffer[65536];
  for (int64_t got; (got = file.ReadAt(static_cast<int64_t>(text.size()), buffer, sizeof buffer)) != 0;) {
    if (got < 0) {
      error = file.LastError();
      return std::nullopt;
    }
    text.append(buffer, static_cast<size_t>(got));
  }
  error = 0;
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::string PosixHost::ReplaceFile(std::string_view path, std::string_view contents) {
  const auto mapped = MapPath(path);
  if (!mapped) return "The path " + std::string(path) + " cannot be reached.";
  std::string temp = *mapped + ".~tmpXXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return std::string("Could not create a file beside ") + *mapped + ": " + std::strerror(errno);
  PosixFile file(fd);
  std::string failure;
  if (!file.WriteAt(0, contents.data(), contents.size())) {
    failure = std::strerror(file.LastError());
  } else if (::fchmod(fd, NewFileMode()) != 0 || ::fsync(fd) != 0) {
    failure = std::strerror(errno);
  }
  if (failure.empty()) {
    // A file server may refuse the rename while another workstation has the file open.
    for (int attempt = 0;; ++attempt) {
      if (::rename(temp.c_str(), mapped->c_str()) == 0) return {};
      if (attempt == 4 || (errno != EBUSY && errno != EACCES && errno != EPERM && errno != ETXTBSY)) {
        failure = std::strerror(errno);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100 * (attempt + 1)));
    }
  }
  ::unlink(temp.c_str());
  return "Could not write " + std::string(path) + ": " + failure;
}

std::string PosixHost::RemoveFile(std::string_view path) {
  const auto mapped = MapPath(path);
  if (!mapped) return "The path " + std::string(path) + " cannot be reached.";
  if (::unlink(mapped->c_str()) == 0 || errno == ENOENT) return {};
  return "Could not remove " + std::string(path) + ": " + std::strerror(errno);
}

std::vector<DirectoryEntry> PosixHost::ListDirectory(std::string_view path) {
  std::vector<DirectoryEntry> entries;
  const auto mapped = MapPath(path);
  if (!mapped) return entries;
  DIR* dir = ::opendir(mapped->c_str());
  if (dir == nullptr) return entries;
  const auto now = std::chrono::system_clock::now();
  while (const dirent* entry = ::readdir(dir)) {
    struct stat info {};
    const std::string full = *mapped + "/" + entry->d_name;
    if (::stat(full.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    const auto written = std::chrono::system_clock::from_time_t(info.st_mtime);
    entries.push_back({entry->d_name, std::chrono::duration_cast<std::chrono::seconds>(now - written).count()});
  }
  ::closedir(dir);
  return entries;
}

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
