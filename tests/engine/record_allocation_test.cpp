// Record allocation, file initialisation and locks, checked against header bytes written out by
// hand.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <vector>

#include "engine/business_basic.h"
#include "engine/system.h"
#include "environment/shared_instances.h"
#include "tests/support/engine_checks.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/data_file_builder.h"

namespace tervalo {
namespace {

using share::C2;
using share::L4;
using testing::ErrorOf;

class RecordAllocationTest : public testing::TempShareTest {
 protected:
  void SetUp() override {
    share::DataFileBuilder data(share_, "PARTLK");
    data.Add({"PARTL", 'L', 20, 200});
    data.Add({"PARTI", 'I', 512, 6});
    data.Add({"SERL", 'S', 20, 3});
    // Records 1-4 in use (marker 1); header: chain empty, 4 allocated, 3 in use.
    for (int r = 1; r <= 4; ++r) data.SetRecord("PARTL", r, C2(1) + std::string(18, 'p'));
    data.SetBytes("PARTL", 0, share::LHeader(-1, 5, 3));
    data.SetRecord("PARTL", 5, C2(7) + std::string(18, 'q'));
    data.SetRecord("SERL", 1, std::string(20, 's'));
    data.Write();
    WriteBasicShare(data.Links());
    StartEngine();
  }

  std::string Header() { return gEngine->ReadFile(gEngine->LogicalOpen("PARTL")->OpenFile, 16, 0); }
};

TEST_F(RecordAllocationTest, DelRecPutsTheRecordAtTheHeadOfTheFreeChain) {
  gEngine->DelRec("PARTL", 5);
  EXPECT_EQ(gEngine->LreadFile("PARTL", 5), std::string(2, '\0') + L4(-1) + std::string(14, '\0'));
  EXPECT_EQ(Header(), C2(-2) + L4(5) + L4(5) + L4(2) + std::string(2, '\0'));
  gEngine->DelRec("PARTL", 2);
  EXPECT_EQ(gEngine->LreadFile("PARTL", 2), std::string(2, '\0') + L4(5) + std::string(14, '\0'));
  EXPECT_EQ(Header(), C2(-2) + L4(2) + L4(5) + L4(1) + std::string(2, '\0'));

  EXPECT_EQ(ErrorOf([] { gEngine->DelRec("PARTL", 5); }),
            "81 DelRec: Attempt to delete a deleted record for File: PARTL and Record: 5");
  EXPECT_EQ(ErrorOf([] { gEngine->DelRec("PARTL", 201); }),
            "81 iLreadFile: Illegal Record Number for File: PARTL and Record: 201");
  EXPECT_EQ(Header(), C2(-2) + L4(2) + L4(5) + L4(1) + std::string(2, '\0')) << "unchanged";
}

TEST_F(RecordAllocationTest, DelRecNeverCountsBelowZero) {
  gEngine->WriteFile(gEngine->LogicalOpen("PARTL")->OpenFile, share::LHeader(-1, 5, 0), 0);
  gEngine->DelRec("PARTL", 1);
  EXPECT_EQ(gEngine->Unpack("L", Header(), 11), 0);
}

TEST_F(RecordAllocationTest, GetRecReusesFreedRecordsBeforeGrowing) {
  gEngine->DelRec("PARTL", 4);
  gEngine->DelRec("PARTL", 2);
  int32_t number = 0;
  gEngine->GetRec("PARTL", number);
  EXPECT_EQ(number, 2);
  gEngine->GetRec("PARTL", number);
  EXPECT_EQ(number, 4);
  EXPECT_EQ(Header(), C2(-2) + L4(-1) + L4(5) + L4(3) + std::string(2, '\0'));
  gEngine->GetRec("PARTL", number);
  EXPECT_EQ(number, 6);
  EXPECT_EQ(Header(), C2(-2) + L4(-1) + L4(6) + L4(4) + std::string(2, '\0'));
}

TEST_F(RecordAllocationTest, InitFileWritesAnEmptyRecordFile) {
  const auto partl = gEngine->LogicalOpen("PARTL");
  gEngine->InitFile(partl);
  EXPECT_EQ(gEngine->ReadFile(partl->OpenFile, 20, 0), C2(-2) + L4(-1) + std::string(14, '\0'));
  EXPECT_EQ(partl->ActiveCount(), 0);
  EXPECT_EQ(partl->HighUsedRecord(), 0);
  for (int32_t r : {1, 5, 100, 200}) EXPECT_EQ(gEngine->LreadFile(partl, r), std::string(20, '\0'));
}

TEST_F(RecordAllocationTest, InitFileWritesAnEmptyIndex) {
  const auto parti = gEngine->LogicalOpen("PARTI");
  const int64_t base = parti->BaseOffset();
  struct Case {
    int32_t blocking_factor;
    bool duplicates;
    std::string header;
  } cases[] = {
      {100, true, C2(12) + C2(42) + C2(6) + C2(2) + C2(1) + C2(42) + C2(0xFFFF) + C2(0)},
      {80, false, C2(12) + C2(42) + C2(6) + C2(2) + C2(1) + C2(0) + C2(0) + C2(0)},
  };
  for (const auto& c : cases) {
    gEngine->InitFile(parti, 8, c.duplicates, c.blocking_factor);
    const std::string blocks = gEngine->ReadFile(parti->OpenFile, 1024, static_cast<int32_t>(base));
    EXPECT_EQ(blocks.substr(0, 512), c.header + std::string(496, '\0'));
    EXPECT_EQ(blocks.substr(512), C2(1) + std::string(510, '\xFF'));
  }
  EXPECT_EQ(ErrorOf([&] { gEngine->InitFile(parti, -4); }).substr(0, 2), "11");
}

TEST_F(RecordAllocationTest, InitFileOfAnotherTypeWritesNothing) {
  gEngine->InitFile("SERL");
  EXPECT_EQ(gEngine->LreadFile("SERL", 1), std::string(20, 's'));
  EXPECT_EQ(ErrorOf([] { gEngine->InitFile(std::shared_ptr<cLogicalFile>()); }),
            "-10 iLwriteFile: LogicalFile parameter is undefined");
}

// Runs body in a child process with an engine of its own on host (its own open files, so its
// locks are set against this process's) and returns the child's exit status.
int InChildProcess(const std::function<int(cBusinessBasic&)>& body, Host& host = CurrentHost()) {
  const pid_t pid = fork();
  if (pid == 0) {
    int status = 99;
    try {
      cBusinessBasic engine(*gSystem, host);
      status = body(engine);
    } catch (...) {
    }
    _exit(status);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The test host, noting each wait asked of it instead of waiting.
class WaitNotingHost : public testing::TestHost {
 public:
  std::vector<std::chrono::milliseconds> waits;
  void Sleep(std::chrono::milliseconds duration) override { waits.push_back(duration); }
};

TEST_F(RecordAllocationTest, ALockOnRecordZeroKeepsOtherProcessesFromAllocating) {
  const int32_t lock = gEngine->LogicalLock("PARTL", 0);
  ASSERT_GT(lock, 0);
  EXPECT_EQ(gEngine->LogicalLock("PARTL", 0), 0) << "the engine does not grant a lock it holds";
  EXPECT_GT(gEngine->LogicalLock("PARTL", 1), 0) << "another record is free to lock";

  // The other process tries 50 times, waiting 20 ms through its host between tries.
  WaitNotingHost waits;
  const int blocked = InChildProcess(
      [&waits](cBusinessBasic& engine) {
        int32_t number = 0;
        try {
          engine.GetRec("PARTL", number);
        } catch (const EngineError& e) {
          if (e.number() != 57 || e.description() != "Could not obtain a Lock on Record Zero of PARTL") return 1;
          return waits.waits == std::vector<std::chrono::milliseconds>(49, std::chrono::milliseconds(20)) ? 0 : 3;
        }
        return 2;
      },
      waits);
  EXPECT_EQ(blocked, 0);

  EXPECT_EQ(gEngine->ReleaseLock(lock), 0);
  const int granted = InChildProcess([](cBusinessBasic& engine) {
    int32_t number = 0;
    engine.GetRec("PARTL", number);
    return number;
  });
  EXPECT_EQ(granted, 6);
}

TEST_F(RecordAllocationTest, ConcurrentAllocationsInTwoProcessesNeverHandOutANumberTwice) {
  constexpr int kEach = 300;
  int pipe_fds[2];
  int start_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  ASSERT_EQ(pipe(start_fds), 0);
  auto allocate = [&](cBusinessBasic& engine) {
    char go = 0;  // both processes start allocating together
    if (read(start_fds[0], &go, 1) != 1) return 1;
    for (int i = 0; i < kEach; ++i) {
      int32_t number = 0;
      engine.GetRec("PARTL", number);
      if (write(pipe_fds[1], &number, sizeof number) != sizeof number) return 1;
    }
    return 0;
  };
  const pid_t other = fork();
  if (other == 0) _exit(InChildProcess(allocate));
  const pid_t mine_pid = fork();
  if (mine_pid == 0) _exit(InChildProcess(allocate));
  ASSERT_EQ(write(start_fds[1], "gg", 2), 2);
  int mine_status = 0;
  waitpid(mine_pid, &mine_status, 0);
  const int mine = WIFEXITED(mine_status) ? WEXITSTATUS(mine_status) : -1;
  int status = 0;
  waitpid(other, &status, 0);
  close(pipe_fds[1]);
  ASSERT_EQ(mine, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::multiset<int32_t> numbers;
  int32_t number = 0;
  while (read(pipe_fds[0], &number, sizeof number) == sizeof number) numbers.insert(number);
  close(pipe_fds[0]);
  EXPECT_EQ(numbers.size(), 2u * kEach);
  EXPECT_EQ(std::set<int32_t>(numbers.begin(), numbers.end()).size(), 2u * kEach);
  EXPECT_EQ(Header(), C2(-2) + L4(-1) + L4(5 + 2 * kEach) + L4(3 + 2 * kEach) + std::string(2, '\0'));
}

}  // namespace
}  // namespace tervalo
