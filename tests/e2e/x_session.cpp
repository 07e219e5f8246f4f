#include "tests/e2e/x_session.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tervalo::e2e {
namespace {

std::vector<std::string> Environment(const std::map<std::string, std::string>& additions) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (!additions.count(entry.substr(0, entry.find('=')))) env.push_back(entry);
  }
  for (const auto& [name, value] : additions) env.push_back(name + "=" + value);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& t : texts) pointers.push_back(t.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The file set-up of a child process, freed whatever happens.
class FileActions {
 public:
  FileActions() { posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// A pipe from a child process; both ends close with it.
class Pipe {
 public:
  Pipe() {
    if (::pipe(fds_) != 0) throw std::runtime_error("pipe failed");
  }
  ~Pipe() {
    CloseWriteEnd();
    ::close(fds_[0]);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  // The child writes to `fd`; this process keeps only the reading end.
  void GiveWriteEndAs(FileActions& actions, int fd) {
    posix_spawn_file_actions_adddup2(actions.get(), fds_[1], fd);
    posix_spawn_file_actions_addclose(actions.get(), fds_[0]);
  }
  int write_end() const { return fds_[1]; }
  void CloseWriteEnd() {
    if (fds_[1] >= 0) ::close(fds_[1]);
    fds_[1] = -1;
  }
  // Reads until `stop` or the end (the child closed its end).
  std::string Read(char stop = '\0') {
    std::string text;
    char c;
    while (::read(fds_[0], &c, 1) == 1 && (stop == '\0' || c != stop)) text.push_back(c);
    return text;
  }

 private:
  int fds_[2];
};

// Every program the tests start ends with the test program, however that ends: a test program
// killed or ended by Xlib's error handler would otherwise leave an X server and boards running.
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env, FileActions& actions) {
  argv.insert(argv.begin(), {"setpriv", "--pdeathsig", "KILL", "--"});
  auto args = Pointers(argv);
  auto envp = Pointers(env);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, args[0], actions.get(), nullptr, args.data(), envp.data());
  if (error != 0) throw std::runtime_error("cannot start " + argv[4] + ": " + std::strerror(error));
  return pid;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                           const std::string& output_file) {
  FileActions actions;
  // Written from the start, not appended: an SMB client may refuse O_APPEND (smbnetfs does).
  posix_spawn_file_actions_addopen(actions.get(), 1, output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(actions.get(), 1, 2);
  pid_ = Spawn(argv, Environment(env), actions);
}

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::Running() {
  if (ended_) return false;
  if (::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
  return !ended_;
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (!WaitUntil([this] { return !Running(); }, timeout)) return -1;
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

void ChildProcess::Kill() {
  if (!Running()) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, &status_, 0);
  ended_ = true;
}

XServer::XServer(int width, int height) {
  // A display freed a moment ago can still be held; a second try picks another.
  for (int attempt = 1;; ++attempt) {
    try {
      Start(width, height);
      return;
    } catch (const std::runtime_error&) {
      if (attempt == 3) throw;
    }
  }
}

void XServer::Start(int width, int height) {
  Pipe display;
  FileActions actions;
  posix_spawn_file_actions_addopen(actions.get(), 2, "/dev/null", O_WRONLY, 0);
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  // Xvfb picks a free display and writes its number to the descriptor given (the pipe's writing
  // end, which the child inherits).
  pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(display.write_end()), "-screen", "0", screen, "-nolisten", "tcp"},
               Environment({}), actions);
  display.CloseWriteEnd();
  const std::string number = display.Read('\n');
  if (number.empty()) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
  }
  display_ = ":" + number;
  // The server names its display once it listens; a server that ends right after (a display still
  // held by one that is going away) is found here, so that the next try picks another.
  const bool answers = WaitUntil(
      [this] {
        Display* connection = XOpenDisplay(display_.c_str());
        if (connection != nullptr) XCloseDisplay(connection);
        return connection != nullptr;
      },
      std::chrono::seconds(10));
  if (!answers) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error("Xvfb named display " + display_ + " but does not answer on it");
  }
}

XServer::~XServer() {
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

std::string Xdo(const std::string& display, const std::vector<std::string>& args) {
  Pipe output;
  FileActions actions;
  output.GiveWriteEndAs(actions, 1);
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  const pid_t pid = Spawn(argv, Environment({{"DISPLAY", display}}), actions);
  output.CloseWriteEnd();
  std::string out = output.Read();
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string command;
    for (const auto& a : args) command += " " + a;
    throw std::runtime_error("xdotool" + command + " failed");
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

uint32_t PixelAt(const std::string& display, int x, int y) {
  const std::unique_ptr<Display, int (*)(Display*)> connection(XOpenDisplay(display.c_str()), XCloseDisplay);
  if (!connection) throw std::runtime_error("cannot open display " + display);
  // A point off the screen would end the test program in Xlib's error handler.
  const int screen = DefaultScreen(connection.get());
  if (x < 0 || y < 0 || x >= DisplayWidth(connection.get(), screen) || y >= DisplayHeight(connection.get(), screen)) {
    throw std::runtime_error("no pixel at " + std::to_string(x) + "," + std::to_string(y) + " on " + display);
  }
  XImage* image = XGetImage(connection.get(), DefaultRootWindow(connection.get()), x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) throw std::runtime_error("cannot read the screen of " + display);
  // Xvfb's screens are 24-bit true colour: the pixel value is the colour.
  const auto pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
  XDestroyImage(image);
  return pixel;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace tervalo::e2e
