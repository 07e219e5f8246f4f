#pragma once
// A host file that counts the reads and writes reaching the file system, for tests and
// benchmarks that check how many system calls an operation costs. A host subclass wraps the
// files it opens in it.

#include <cstdint>
#include <memory>

#include "host/host.h"

namespace tervalo {

struct IoCounts {
  int64_t reads = 0;
  int64_t writes = 0;
};

class CountingFile : public HostFile {
 public:
  // Counts into `counts`, and into `also` when given (a per-file tally beside the total).
  CountingFile(std::unique_ptr<HostFile> inner, IoCounts& counts, IoCounts* also = nullptr)
      : inner_(std::move(inner)), counts_(counts), also_(also) {}

  HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
    ++counts_.reads;
    if (also_ != nullptr) ++also_->reads;
    return inner_->ReadAt(offset, buffer, n);
  }
  HostStatus WriteAt(int64_t offset, const char* data, size_t n) override {
    ++counts_.writes;
    if (also_ != nullptr) ++also_->writes;
    return inner_->WriteAt(offset, data, n);
  }
  HostResult<int64_t> Size() override { return inner_->Size(); }
  bool TryLock(int64_t offset, int64_t length) override { return inner_->TryLock(offset, length); }
  void Unlock(int64_t offset, int64_t length) override { inner_->Unlock(offset, length); }

 private:
  std::unique_ptr<HostFile> inner_;
  IoCounts& counts_;
  IoCounts* also_;
};

}  // namespace tervalo
