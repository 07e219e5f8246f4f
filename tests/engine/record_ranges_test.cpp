// LreadRange: consecutive records in one read, against bytes written out by hand, with the
// record-number checks of LreadFile and a short data file.

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

class RecordRangesTest : public testing::TempShareTest {
 protected:
  void SetUp() override {
    WriteBasicShare({share_.LinkFor("RNG", "RNGLK")});
    // RNG: type L from block 1, records of 4 bytes, last record 6.
    WriteBinaryFile(
        share_.DataDirectory() / "RNGLK",
        Hex("52 4E 47 00 00 00 00 00 00 00  000001  0004  4C  00000006  000000000000000000000000"));
    // Block 0 belongs to another file; record zero, records 1 to 4, then only 2 bytes of record
    // 5: the file ends inside it and record 6 lies wholly past the end.
    WriteBinaryFile(
        share_.DataDirectory() / "RNGDB",
        std::string(512, 'z') +
            Hex("FF FE 00 00  11 12 13 14  21 22 23 24  0A 0B 0C 0D  FF 00 FF 00  51 52"));
    StartEngine();
  }
  int64_t Reads() { return host_.share_meter().counts().reads; }
};

TEST_F(RecordRangesTest, ReadsConsecutiveRecordsInOneRead) {
  struct Case {
    int32_t first;
    int32_t count;
    std::string bytes;
    int64_t reads;
  };
  const Case cases[] = {
      {1, 1, Hex("11 12 13 14"), 1},
      {1, 3, Hex("11 12 13 14  21 22 23 24  0A 0B 0C 0D"), 1},
      {3, 2, Hex("0A 0B 0C 0D  FF 00 FF 00"), 1},
      // Past the end of the file the bytes read as spaces, as LreadFile gives them; a read that
      // comes back short is tried once more before the rest counts as past the end.
      {4, 3, Hex("FF 00 FF 00  51 52 20 20  20 20 20 20"), 2},
      {6, 1, "    ", 1},
  };
  gEngine->LreadFile("RNG", 1);  // opens the file, so that only reads of records are left
  for (const Case& c : cases) {
    const int64_t before = Reads();
    EXPECT_EQ(gEngine->LreadRange("RNG", c.first, c.count), c.bytes) << c.first << "+" << c.count;
    EXPECT_EQ(Reads() - before, c.reads) << c.first << "+" << c.count;
  }
  // The same bytes as record-by-record reads.
  std::string one_by_one;
  for (int32_t n = 1; n <= 6; ++n) one_by_one += gEngine->LreadFile("RNG", n);
  EXPECT_EQ(gEngine->LreadRange("RNG", 1, 6), one_by_one);
}

TEST_F(RecordRangesTest, RefusesRangesOutsideTheFileWithoutReading) {
  struct Case {
    int32_t first;
    int32_t count;
    std::string error;
  };
  const Case cases[] = {
      {0, 1, "81 iLreadFile: Illegal Record Number for File: RNG and Record: 0"},
      {-3, 5, "81 iLreadFile: Illegal Record Number for File: RNG and Record: -3"},
      {7, 1, "81 iLreadFile: Illegal Record Number for File: RNG and Record: 7"},
      {5, 3, "81 iLreadFile: Illegal Record Number for File: RNG and Record: 7"},
      {1, 2147483647, "81 iLreadFile: Illegal Record Number for File: RNG and Record: 7"},
      {1, 0, "5 iLreadFile: Invalid procedure call or argument"},
      {2, -1, "5 iLreadFile: Invalid procedure call or argument"},
  };
  gEngine->LreadFile("RNG", 1);  // opens the file, so that only reads of records are left
  for (const Case& c : cases) {
    const int64_t before = Reads();
    EXPECT_EQ(ErrorOf([&] { gEngine->LreadRange("RNG", c.first, c.count); }), c.error)
        << c.first << "+" << c.count;
    EXPECT_EQ(Reads(), before) << "nothing is read for " << c.first << "+" << c.count;
  }
  EXPECT_EQ(ErrorOf([] { gEngine->LreadRange("NOLINK", 1, 1); }),
            "-10 LogicalOpen: File not Found: \"NOLINK\"");
  EXPECT_EQ(ErrorOf([] { gEngine->LreadRange(std::shared_ptr<cLogicalFile>(), 1, 1); }),
            "-10 iLreadFile: LogicalFile parameter is undefined");
}

}  // namespace
}  // namespace tervalo
