// Physical files: opening through the open-file table, byte and block access, error -10.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/business_basic.h"
#include "environment/shared_instances.h"
#include "tests/support/engine_checks.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;
using testing::ErrorOf;

class PhysicalFilesTest : public testing::TempShareTest {
 protected:
  void SetUp() override {
    WriteBasicShare();
    // FILE0 of 501 blocks; block b is filled with the byte b mod 256.
    std::map<int32_t, std::string> blocks;
    for (int32_t b = 0; b < 501; ++b) blocks[b] = std::string(512, static_cast<char>(b % 256));
    share_.WriteFile0(blocks, 501);
    StartEngine();
  }

  std::string FileBytes(const std::string& name) {
    return share::ReadBinaryFile(share_.DataDirectory() / name);
  }
};

TEST_F(PhysicalFilesTest, NamesWithoutBackslashOpenInTheDataDirectoryOnce) {
  const auto first = gEngine->OpenFile("FILE0");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Path, "\\\\SRV\\VLTRLNK\\CO1\\FILE0");
  const auto second = gEngine->OpenFile("FILE0");
  const auto by_path = gEngine->OpenFile("\\\\SRV\\VLTRLNK\\CO1\\FILE0");
  EXPECT_EQ(gOpenFiles->Count(), 1);
  EXPECT_NE(first, second) << "the first caller holds a descriptor of its own";
  EXPECT_EQ(second, gOpenFiles->Item(1));
  EXPECT_EQ(by_path, second);
  EXPECT_EQ(first->vbFileNumber, second->vbFileNumber);
}

TEST_F(PhysicalFilesTest, AMissingFileGivesNoDescriptorAndIsNotCreated) {
  EXPECT_EQ(gEngine->OpenFile("NOFILE"), nullptr);
  EXPECT_FALSE(fs::exists(share_.DataDirectory() / "NOFILE"));
  EXPECT_FALSE(gEngine->LastError());
  EXPECT_EQ(ErrorOf([] { gEngine->WriteFile("NOFILE", "x"); }),
            "-10 iwriteFile: OpenFile parameter is undefined");
  EXPECT_EQ(ErrorOf([] { gEngine->ReadFile("NOFILE", 4); }),
            "-10 iReadFile: OpenFile parameter is undefined");
  EXPECT_FALSE(fs::exists(share_.DataDirectory() / "NOFILE"));
}

TEST_F(PhysicalFilesTest, BlocksAreReadAtTheirOffsetsAndPastTheEndAsSpaces) {
  EXPECT_EQ(gEngine->BlockReadFile("FILE0", 499), std::string(512, static_cast<char>(499 % 256)));
  EXPECT_EQ(gEngine->ReadFile("FILE0", 4, 499 * 512 - 2),
            std::string("\xF2\xF2\xF3\xF3", 4)) << "bytes 255486..255489 straddle blocks 498/499";
  EXPECT_EQ(gEngine->BlockReadFile("FILE0", 501), std::string(512, ' '));
  EXPECT_EQ(gEngine->ReadFile("FILE0", 6, 501 * 512 - 2), std::string("\xF4\xF4    ", 6));
}

TEST_F(PhysicalFilesTest, WriteWithoutPositionUsesTheDescriptorsLastPosition) {
  const auto file = gEngine->OpenFile("FILE0");
  gEngine->WriteFile(file, "AB", 100);
  gEngine->WriteFile(file, "C", -1);
  EXPECT_EQ(file->Position, 100);
  EXPECT_EQ(gEngine->ReadFile(file, 3, 99), std::string("\0CB", 3));
  gEngine->WriteFile(file, "Z");  // an omitted position is offset 0
  EXPECT_EQ(gEngine->ReadFile(file, 1, 0), "Z");
}

TEST_F(PhysicalFilesTest, BlockWriteRunsOnIntoTheNextBlockAndGrowsTheFile) {
  gEngine->BlockWriteFile("FILE0", 3, std::string(600, 'w'));
  const std::string bytes = FileBytes("FILE0");
  EXPECT_EQ(bytes.substr(3 * 512, 600), std::string(600, 'w'));
  EXPECT_EQ(bytes[4 * 512 + 88], '\x04') << "only the first 88 bytes of block 4 change";
  gEngine->BlockWriteFile("FILE0", 600, "end");
  EXPECT_EQ(FileBytes("FILE0").size(), 600u * 512 + 3);
}

TEST_F(PhysicalFilesTest, OffsetsBeyond32BitsOverflow) {
  EXPECT_EQ(ErrorOf([] { gEngine->BlockReadFile("FILE0", 5000000); }).substr(0, 2), "6 ");
}

TEST_F(PhysicalFilesTest, CloseFileClosesTheSharedHandleAndIgnoresUnknownNames) {
  const auto file = gEngine->OpenFile("FILE0");
  gEngine->CloseFile(file);
  EXPECT_EQ(gOpenFiles->Count(), 0);
  EXPECT_EQ(ErrorOf([&] { gEngine->ReadFile(file, 1); }).substr(0, 4), "-10 ") << "the handle is closed";
  gEngine->CloseFile("NOFILE");
  // A file that exists but was never opened is opened and closed again.
  share::WriteBinaryFile(share_.DataDirectory() / "OTHER", "x");
  gEngine->CloseFile("OTHER");
  EXPECT_EQ(gOpenFiles->Count(), 0);
}

class RefusingHost : public testing::TestHost {
 public:
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override {
    if (path.find("LOCKED") != std::string_view::npos) return HostStatus(13, path);
    return PosixHost::OpenShared(path, create);
  }
};

TEST_F(PhysicalFilesTest, ARefusedOpenIsRecordedAsTheLastError) {
  RefusingHost refusing;
  ScopedHost scoped(refusing);
  cBusinessBasic engine(*gSystem, refusing);
  share::WriteBinaryFile(share_.DataDirectory() / "LOCKED", "x");
  EXPECT_EQ(engine.OpenFile("LOCKED"), nullptr);
  ASSERT_TRUE(engine.LastError());
  EXPECT_EQ(engine.LastError()->number(), 13);
  EXPECT_EQ(engine.LastError()->source(), "iOpenFile");
  EXPECT_EQ(engine.LastError()->description(), "Could not open file: \\\\SRV\\VLTRLNK\\CO1\\LOCKED");
}

}  // namespace
}  // namespace tervalo
