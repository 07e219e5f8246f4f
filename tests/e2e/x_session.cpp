#include "tests/e2e/x_session.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
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

pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env, posix_spawn_file_actions_t* actions) {
  auto args = Pointers(argv);
  auto envp = Pointers(env);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, args[0], actions, nullptr, args.data(), envp.data());
  if (error != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
  return pid;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                           const std::string& output_file) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output_file.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  try {
    pid_ = Spawn(argv, Environment(env), &actions);
  } catch (...) {
    posix_spawn_file_actions_destroy(&actions);
    throw;
  }
  posix_spawn_file_actions_destroy(&actions);
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
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  // Xvfb picks a free display and writes its number to the descriptor given.
  try {
    pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp"},
                 Environment({}), &actions);
  } catch (...) {
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    ::close(fds[1]);
    throw;
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  std::string number;
  char c;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
  ::close(fds[0]);
  if (number.empty()) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
  }
  display_ = ":" + number;
}

XServer::~XServer() {
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

std::string Xdo(const std::string& display, const std::vector<std::string>& args) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_t pid = -1;
  try {
    pid = Spawn(argv, Environment({{"DISPLAY", display}}), &actions);
  } catch (...) {
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    ::close(fds[1]);
    throw;
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  std::string out;
  char buffer[256];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
  ::close(fds[0]);
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

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace tervalo::e2e
