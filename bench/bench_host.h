#pragma once
// The machine's host for the benchmarks with a fixed identity, so that start-up never waits for
// a name lookup. Its share meter counts every call on the share by kind and can make each call
// wait, as a file server would; a CountingHost around it counts the reads and writes of files,
// and a ByteCountingHost the bytes read from one file.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "host/host.h"

namespace tervalo {

class BenchHost : public PosixHost {
 public:
  std::string computer_name = "BENCH";

  std::string ComputerName() override { return computer_name; }
  uint32_t ResolveHostAddress(std::string_view) override { return 0x7F000001; }
};

// Adds up the bytes read from the files opened under a path that contains `part`.
class ByteCountingHost : public HostWrapper {
 public:
  ByteCountingHost(Host& target, std::string part) : HostWrapper(target), part_(std::move(part)) {}
  int64_t bytes_read() const { return bytes_->load(); }

  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override {
    HostResult<std::unique_ptr<HostFile>> file = HostWrapper::OpenShared(path, create);
    if (!file.ok() || path.find(part_) == std::string_view::npos) return file;
    return std::make_unique<File>(std::move(file).value(), bytes_);
  }

 private:
  class File : public HostFileWrapper {
   public:
    File(std::unique_ptr<HostFile> target, std::shared_ptr<std::atomic<int64_t>> bytes)
        : HostFileWrapper(std::move(target)), bytes_(std::move(bytes)) {}
    HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
      HostResult<int64_t> got = HostFileWrapper::ReadAt(offset, buffer, n);
      if (got.ok()) *bytes_ += *got;
      return got;
    }

   private:
    std::shared_ptr<std::atomic<int64_t>> bytes_;
  };

  std::string part_;
  std::shared_ptr<std::atomic<int64_t>> bytes_ = std::make_shared<std::atomic<int64_t>>(0);
};

}  // namespace tervalo
