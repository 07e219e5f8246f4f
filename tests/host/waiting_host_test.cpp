#include "host/waiting_host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "tests/support/call_gate.h"
#include "tests/support/temp_share.h"

namespace tervalo {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The share as the waiting host meets it: notes the thread of every call, and while held keeps
// StampOf waiting until released.
class SlowShare : public HostWrapper {
 public:
  explicit SlowShare(Host& target) : HostWrapper(target) {}

  HostResult<FileStamp> StampOf(std::string_view path) override {
    Note();
    gate_.Pass();
    return HostWrapper::StampOf(path);
  }
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override;
  bool FileExists(std::string_view path) override {
    Note();
    return HostWrapper::FileExists(path);
  }

  void Hold() { gate_.Close(); }
  void Release() { gate_.Open(); }
  // The threads the calls ran on since the last look.
  std::set<std::thread::id> TakeThreads() {
    const std::lock_guard lock(mutex_);
    return std::exchange(threads_, {});
  }
  void Note() {
    const std::lock_guard lock(mutex_);
    threads_.insert(std::this_thread::get_id());
  }

 private:
  testing::CallGate gate_;
  std::mutex mutex_;
  std::set<std::thread::id> threads_;
};

class NotedFile : public HostFileWrapper {
 public:
  NotedFile(SlowShare& share, std::unique_ptr<HostFile> file) : HostFileWrapper(std::move(file)), share_(share) {}
  ~NotedFile() override { share_.Note(); }
  HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
    share_.Note();
    return HostFileWrapper::ReadAt(offset, buffer, n);
  }

 private:
  SlowShare& share_;
};

HostResult<std::unique_ptr<HostFile>> SlowShare::OpenShared(std::string_view path, bool create) {
  Note();
  auto file = HostWrapper::OpenShared(path, create);
  if (!file.ok()) return file;
  return std::unique_ptr<HostFile>(std::make_unique<NotedFile>(*this, std::move(file).value()));
}

class WaitingHostTest : public testing::TempShareTest {
 protected:
  WaitingHostTest() : share_(host_), waiting_(share_) {
    file_ = (temp_dir_ / "LIST").string();
    std::ofstream(file_) << "abc";
  }
  const std::thread::id me_ = std::this_thread::get_id();
  SlowShare share_;
  WaitingHost waiting_;
  std::string file_;
};

TEST_F(WaitingHostTest, InAScopeTheCallerGetsItsTurnsWhileTheShareDoesNotAnswerAndThenTheAnswer) {
  share_.Hold();
  std::vector<std::chrono::milliseconds> turns;
  std::optional<HostResult<FileStamp>> stamp;
  {
    const WaitingHost::Scope scope(waiting_, [&](std::chrono::milliseconds waited) {
      EXPECT_TRUE(waiting_.Waiting());
      turns.push_back(waited);
      if (turns.size() == 5) share_.Release();  // the server answers at last
    });
    stamp.emplace(waiting_.StampOf(file_));
  }
  ASSERT_TRUE(stamp->ok()) << stamp->status().Message();
  EXPECT_EQ((*stamp)->size, 3);
  ASSERT_GE(turns.size(), 5u) << "the caller was given turns while the call hung";
  EXPECT_LT(turns.front(), turns.back()) << "each turn says how long the call has waited";
  EXPECT_FALSE(waiting_.Waiting());
  const auto threads = share_.TakeThreads();
  ASSERT_EQ(threads.size(), 1u);
  EXPECT_NE(*threads.begin(), me_) << "the call ran on the helper thread";
}

TEST_F(WaitingHostTest, OutsideAScopeAndOnOtherThreadsCallsRunWhereTheyAreMade) {
  EXPECT_TRUE(waiting_.FileExists(file_));
  EXPECT_EQ(share_.TakeThreads(), std::set{me_});

  const WaitingHost::Scope scope(waiting_, [](std::chrono::milliseconds) {});
  std::thread::id other;
  std::thread([&] {
    other = std::this_thread::get_id();
    EXPECT_TRUE(waiting_.FileExists(file_));
  }).join();
  EXPECT_EQ(share_.TakeThreads(), std::set{other}) << "a check's thread is not the scope's";
}

TEST_F(WaitingHostTest, AFileOpenedBeforeTheScopeIsReadAndClosedWithinItOnTheHelper) {
  auto opened = waiting_.OpenShared(file_, false);
  ASSERT_TRUE(opened.ok());
  std::unique_ptr<HostFile> file = std::move(opened).value();
  share_.TakeThreads();
  int turns = 0;
  {
    const WaitingHost::Scope outer(waiting_, [&](std::chrono::milliseconds) { turns += 100; });
    {
      const WaitingHost::Scope inner(waiting_, [&](std::chrono::milliseconds) { ++turns; });
      char buffer[3] = {};
      const auto read = file->ReadAt(0, buffer, sizeof buffer);
      ASSERT_TRUE(read.ok());
      EXPECT_EQ(std::string(buffer, 3), "abc");
    }
    // The inner scope's turns are over; the outer's come back, and calls still go to the helper.
    share_.Hold();
    std::thread release([&] {
      std::this_thread::sleep_for(100ms);
      share_.Release();
    });
    EXPECT_TRUE(waiting_.StampOf(file_).ok());
    release.join();
    file.reset();
  }
  EXPECT_GE(turns, 100) << "the outer scope's turns came back";
  EXPECT_EQ(turns % 100, 0) << "the inner scope's turns ended with it";
  const auto threads = share_.TakeThreads();
  ASSERT_EQ(threads.size(), 1u);
  EXPECT_NE(*threads.begin(), me_) << "read, stamp and close ran on the helper thread";
}

}  // namespace
}  // namespace tervalo
