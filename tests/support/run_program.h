#pragma once
// Runs a built program to its end, as a shell would, and collects what it said.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tervalo::testing {

struct ProgramOutcome {
  int status = -1;  // the exit status; 128 + the signal when a signal ended it; -1: not started
  std::string out;
  std::string err;
};

// Runs argv[0] with this process's environment less anything that names a display or a Qt
// platform or scale, plus `env`; its output goes through files in `dir`.
ProgramOutcome RunProgram(std::vector<std::string> argv, const std::map<std::string, std::string>& env,
                          const std::filesystem::path& dir);

}  // namespace tervalo::testing
