#include "tests/support/run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <set>

#include "tools/share_builders/share_builder.h"

extern char** environ;

namespace tervalo::testing {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& t : texts) pointers.push_back(t.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ProgramOutcome RunProgram(std::vector<std::string> argv, const std::map<std::string, std::string>& env,
                          const std::filesystem::path& dir) {
  const std::set<std::string> dropped = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR"};
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (!dropped.count(name) && !env.count(name)) environment.push_back(entry);
  }
  for (const auto& [name, value] : env) environment.push_back(name + "=" + value);
  const std::filesystem::path out = dir / "stdout.txt";
  const std::filesystem::path err = dir / "stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  auto args = Pointers(argv);
  auto envp = Pointers(environment);
  pid_t pid = -1;
  ProgramOutcome outcome;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    outcome.err = "cannot start " + argv[0];
    return outcome;
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  outcome.out = share::ReadBinaryFile(out);
  outcome.err = share::ReadBinaryFile(err);
  return outcome;
}

}  // namespace tervalo::testing
