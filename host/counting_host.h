#pragma once
// A host that counts the reads and writes of the files opened through it, for tests and
// benchmarks that check how many calls an operation costs the file server: all of them, and
// apart for the files the caller names (a data file, the job index). Everything else passes to
// the target host. Files may be read on several threads (the board checks the share in the
// background), so the counters are atomic.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/host.h"

namespace tervalo {

struct IoCounts {
  int64_t reads = 0;
  int64_t writes = 0;
  bool operator==(const IoCounts&) const = default;
};

class CountingHost : public HostWrapper {
 public:
  explicit CountingHost(Host& target) : HostWrapper(target) {}

  // From now on, counts apart the files opened under a path that contains part (e.g. "INVDB").
  void CountApart(std::string part) {
    apart_.emplace_back(std::move(part), std::make_shared<Tally>());
  }
  // The reads and writes of every file opened through this host.
  IoCounts all() const { return all_->Counts(); }
  // The reads and writes of the files counted apart under part; none when part was not named.
  IoCounts of(std::string_view part) const {
    for (const auto& [name, tally] : apart_) {
      if (name == part) return tally->Counts();
    }
    return {};
  }

  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override {
    HostResult<std::unique_ptr<HostFile>> file = HostWrapper::OpenShared(path, create);
    if (!file.ok()) return file;
    std::vector<std::shared_ptr<Tally>> tallies{all_};
    for (const auto& [name, tally] : apart_) {
      if (path.find(name) != std::string_view::npos) tallies.push_back(tally);
    }
    return std::make_unique<CountingFile>(std::move(file).value(), std::move(tallies));
  }

 private:
  struct Tally {
    std::atomic<int64_t> reads{0};
    std::atomic<int64_t> writes{0};
    IoCounts Counts() const { return {reads.load(), writes.load()}; }
  };

  // Counts each read and write into every tally it was given. The tallies are shared, so that
  // a file may outlive its host.
  class CountingFile : public HostFileWrapper {
   public:
    CountingFile(std::unique_ptr<HostFile> target, std::vector<std::shared_ptr<Tally>> tallies)
        : HostFileWrapper(std::move(target)), tallies_(std::move(tallies)) {}
    HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
      for (const auto& tally : tallies_) ++tally->reads;
      return HostFileWrapper::ReadAt(offset, buffer, n);
    }
    HostStatus WriteAt(int64_t offset, const char* data, size_t n) override {
      for (const auto& tally : tallies_) ++tally->writes;
      return HostFileWrapper::WriteAt(offset, data, n);
    }

   private:
    std::vector<std::shared_ptr<Tally>> tallies_;
  };

  std::shared_ptr<Tally> all_ = std::make_shared<Tally>();
  std::vector<std::pair<std::string, std::shared_ptr<Tally>>> apart_;
};

}  // namespace tervalo
