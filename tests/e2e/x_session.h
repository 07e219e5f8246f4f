#pragma once
// A real X session for end-to-end tests: an Xvfb server on a free display, programs started on
// it, and the pointer and keyboard driven with xdotool, as a user drives them.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tervalo::e2e {

// A child process with its own environment additions; killed when the object goes.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
               const std::string& output_file = "/dev/null");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool Running();
  // Waits for the process to end; its exit status, or -1 when it did not end in time.
  int Wait(std::chrono::milliseconds timeout);
  void Kill();

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  bool ended_ = false;
};

// An Xvfb server on the first free display. Throws std::runtime_error when none can start: the
// tests that need it then fail, they do not skip.
class XServer {
 public:
  XServer(int width = 1600, int height = 1000);
  ~XServer();
  const std::string& display() const { return display_; }

 private:
  void Start(int width, int height);

  std::string display_;
  pid_t pid_ = -1;
};

// Runs xdotool on a display; its standard output, without the last line feed. Throws when it
// fails.
std::string Xdo(const std::string& display, const std::vector<std::string>& args);

// The colour (0xRRGGBB) of the screen at x, y of a display, as the X server holds it. Throws when
// the display cannot be opened or the point is off the screen.
uint32_t PixelAt(const std::string& display, int x, int y);

// Polls `done` every 50 ms until it holds or the timeout passes; whether it held.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace tervalo::e2e
