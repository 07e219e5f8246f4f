#pragma once
// The commands of tervalo-inspect, callable from tests with their own output streams.

#include <ostream>
#include <string>
#include <vector>

namespace tervalo::inspect {

// Starts the engine (from the INI file at ini_path, or the workstation's own when empty), runs
// the command args[0] with its arguments and returns the exit status: 0 done, 1 the data or the
// start-up failed (or, for verify, the index is damaged), 2 the command line is wrong.
int Run(const std::vector<std::string>& args, const std::string& ini_path, std::ostream& out,
        std::ostream& err);

}  // namespace tervalo::inspect
