#pragma once
// A host for the benchmarks: the machine's own files, a fixed identity, every call on the share
// counted by kind (share_meter(), which can also make each call wait, as a file server would),
// and the reads and writes of INVOL's data file and FILE0 counted apart.

#include <memory>
#include <string>
#include <string_view>

#include "host/host.h"
#include "tools/counting_file.h"

namespace tervalo {

class CountingHost : public PosixHost {
 public:
  struct Counts {
    IoCounts all, invol, file0;
  };
  Counts counts;
  std::string computer_name = "BENCH";

  std::string ComputerName() override { return computer_name; }
  uint32_t ResolveHostAddress(std::string_view) override { return 0x7F000001; }
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override {
    auto file = PosixHost::OpenShared(path, create);
    if (!file.ok()) return file;
    IoCounts* also = path.find("INVDB") != std::string_view::npos   ? &counts.invol
                     : path.find("FILE0") != std::string_view::npos ? &counts.file0
                                                                    : nullptr;
    return std::make_unique<CountingFile>(std::move(file).value(), counts.all, also);
  }
};

}  // namespace tervalo
