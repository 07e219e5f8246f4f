// Logical files: resolution entries written out by hand, record addressing, range and length
// errors, header counts.

#include <gtest/gtest.h>

#include "engine/business_basic.h"
#include "environment/shared_instances.h"
#include "tests/support/engine_checks.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/data_file_builder.h"

namespace tervalo {
namespace {

using share::WriteBinaryFile;
using testing::ErrorOf;
using testing::Hex;

class LogicalFilesTest : public testing::TempShareTest {
 protected:
  void SetUp() override {
    WriteBasicShare({share_.LinkFor("INVOL", "INVLK"), share_.LinkFor("INVI", "INVLK"),
                     share_.LinkFor("SPACED", "INVLK"), share_.LinkFor("MISSING", "INVLK"),
                     share_.LinkFor("NODATA", "NODALK"), share_.LinkFor("GONE", "GONELK")});
    // Resolution entries, 32 bytes each: name (1-10, flags over 7-8), block (11-13),
    // record length (14-15), type (16), last record (17-20).
    const std::string resolution =
        Hex("49 4E 56 4F 4C 00 00 00 00 00  000002  0040  4C  00000005  000000000000000000000000") +
        Hex("49 4E 56 49 20 20 00 07 20 20  000001  0200  49  00000000  000000000000000000000000") +
        Hex("53 50 41 43 45 44 20 20 20 20  000000  0010  53  00000003  000000000000000000000000");
    WriteBinaryFile(share_.DataDirectory() / "INVLK", resolution);
    // Data file: block 0 SPACED, block 1 INVI, blocks 2.. INVOL (record zero + 5 records of 64).
    std::string data(2 * 512, '\0');
    data += share::LHeader(-1, 5, 3);
    data.resize(2 * 512 + 64, '\0');
    for (char r = 1; r <= 5; ++r) data += std::string(64, static_cast<char>('0' + r));
    WriteBinaryFile(share_.DataDirectory() / "INVDB", data);
    WriteBinaryFile(share_.DataDirectory() / "NODALK",
                    share::ResolutionEntry("NODATA", 0, 0, 10, 'L', 4));
    StartEngine();
  }
};

TEST_F(LogicalFilesTest, OpensFromTheResolutionEntry) {
  const auto invol = gEngine->LogicalOpen("INVOL");
  ASSERT_TRUE(invol);
  EXPECT_EQ(invol->FileName, "INVOL");
  EXPECT_EQ(invol->FileType, "L");
  EXPECT_EQ(invol->Position, 2);
  EXPECT_EQ(invol->RecordLength, 64);
  EXPECT_EQ(invol->LastRecord, 5);
  EXPECT_EQ(invol->Flags, 0);
  ASSERT_TRUE(invol->OpenFile);
  EXPECT_EQ(invol->OpenFile->Path, "\\\\SRV\\VLTRLNK\\CO1\\INVDB");
  EXPECT_EQ(gEngine->LogicalOpen("INVOL"), invol) << "the second open returns the table's entry";
  EXPECT_EQ(gEngine->LogicalOpen("invol"), invol) << "the table lookup ignores letter case";

  const auto spaced = gEngine->LogicalOpen("SPACED");
  ASSERT_TRUE(spaced);
  EXPECT_EQ(spaced->FileType, "S");
}

TEST_F(LogicalFilesTest, EntryNamesCompareExactlyAndFlagsHideShortNames) {
  EXPECT_EQ(gEngine->LogicalOpen("invol"), nullptr) << "not open yet: the entry name is case-exact";
  // INVI has flags 00 07 over bytes 7-8, so its name field reads "INVI  \0\a" and is not found.
  EXPECT_EQ(gEngine->LogicalOpen("INVI"), nullptr);
  EXPECT_EQ(gEngine->LogicalOpen("MISSING"), nullptr);
  EXPECT_EQ(gEngine->LogicalOpen("GONE"), nullptr) << "no resolution file";
  EXPECT_EQ(gEngine->LogicalOpen("NOLINK"), nullptr);
  EXPECT_EQ(ErrorOf([] { gEngine->LreadFile("NOLINK", 1); }),
            "-10 LogicalOpen: File not Found: \"NOLINK\"");
}

TEST_F(LogicalFilesTest, ReadsAndWritesRecordsByNumber) {
  EXPECT_EQ(gEngine->LreadFile("INVOL", 1), std::string(64, '1'));
  EXPECT_EQ(gEngine->LreadFile("INVOL", 5), std::string(64, '5'));
  gEngine->LwriteFile("INVOL", 3, std::string(64, 'x'));
  EXPECT_EQ(gEngine->ReadFile("\\\\SRV\\VLTRLNK\\CO1\\INVDB", 66, 2 * 512 + 3 * 64 - 1),
            "2" + std::string(64, 'x') + "4");
}

TEST_F(LogicalFilesTest, RefusesRecordsOutsideTheFileAndWrongLengths) {
  EXPECT_EQ(ErrorOf([] { gEngine->LreadFile("INVOL", 0); }),
            "81 iLreadFile: Illegal Record Number for File: INVOL and Record: 0");
  EXPECT_EQ(ErrorOf([] { gEngine->LreadFile("INVOL", 6); }),
            "81 iLreadFile: Illegal Record Number for File: INVOL and Record: 6");
  EXPECT_EQ(ErrorOf([] { gEngine->LwriteFile("INVOL", 9, std::string(64, 'x')); }),
            "81 iLwriteFile: Illegal Record Number for File: INVOL and Record: 5 (record 9 was "
            "asked for)");
  EXPECT_EQ(ErrorOf([] { gEngine->LwriteField("INVOL", 0, 3, "x"); }),
            "81 iLwriteFile: Illegal Record Number for File: INVOL and Record: 5 (record 0 was "
            "asked for)");
  EXPECT_EQ(ErrorOf([] { gEngine->LwriteFile("INVOL", 1, std::string(63, 'x')); }),
            "36 iLwriteFile: Illegal Data length for this record.  Size is: 63 and should be 64");
  EXPECT_EQ(gEngine->LreadFile("INVOL", 1), std::string(64, '1')) << "nothing was written";
  EXPECT_EQ(ErrorOf([] { gEngine->LreadFile(std::shared_ptr<cLogicalFile>(), 1); }),
            "-10 iLreadFile: LogicalFile parameter is undefined");
}

TEST_F(LogicalFilesTest, HeaderCountsOfRecordFilesOnly) {
  const auto invol = gEngine->LogicalOpen("INVOL");
  EXPECT_EQ(invol->ActiveCount(), 3);
  EXPECT_EQ(invol->HighUsedRecord(), 5);
  EXPECT_EQ(gEngine->LogicalOpen("SPACED")->ActiveCount(), 0) << "type S has no header";
}

TEST_F(LogicalFilesTest, AMissingDataFileGivesADescriptorThatCannotWrite) {
  const auto nodata = gEngine->LogicalOpen("NODATA");
  ASSERT_TRUE(nodata);
  EXPECT_EQ(nodata->OpenFile, nullptr);
  EXPECT_EQ(nodata->ActiveCount(), 0);
  EXPECT_EQ(ErrorOf([&] { gEngine->LwriteFile(nodata, 1, std::string(10, 'x')); }),
            "-10 iwriteFile: OpenFile parameter is undefined");
  EXPECT_EQ(ErrorOf([&] { gEngine->LreadFile(nodata, 1); }),
            "-10 iLreadFile: OpenFile parameter is undefined");
}

TEST_F(LogicalFilesTest, PhysLogicalOpenTreatsAWholeFileAsOneLogicalFile) {
  WriteBinaryFile(share_.DataDirectory() / "FLAT", std::string(1000, 'f'));
  int32_t last = 0;
  const auto flat = gEngine->PhysLogicalOpen("FLAT", "S", 100, last);
  ASSERT_TRUE(flat);
  EXPECT_EQ(last, 9);
  EXPECT_EQ(flat->LastRecord, 9);
  EXPECT_EQ(gEngine->LreadFile(flat, 9), std::string(100, 'f'));
  EXPECT_EQ(gEngine->LogicalOpen("FLAT"), nullptr) << "unkeyed entries are not found by name";
  int32_t zero = 0;
  EXPECT_EQ(ErrorOf([&] { gEngine->PhysLogicalOpen("FLAT", "S", 0, zero); }).substr(0, 2), "11");
}

}  // namespace
}  // namespace tervalo
