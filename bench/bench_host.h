#pragma once
// The machine's host for the benchmarks with a fixed identity, so that start-up never waits for
// a name lookup. Its share meter counts every call on the share by kind and can make each call
// wait, as a file server would; a CountingHost around it counts the reads and writes of files.

#include <cstdint>
#include <string>
#include <string_view>

#include "host/host.h"

namespace tervalo {

class BenchHost : public PosixHost {
 public:
  std::string computer_name = "BENCH";

  std::string ComputerName() override { return computer_name; }
  uint32_t ResolveHostAddress(std::string_view) override { return 0x7F000001; }
};

}  // namespace tervalo
