// The scattered benchmark company: its invoice file must have the shape it claims (chains spread
// across the file, sound links, a sound free chain), or the benchmark measures something else.

#include "tools/share_builders/scattered_company.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "engine/file_format.h"
#include "records/file0_layout.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/company_builder.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

// A big-endian unsigned field of `width` bytes at 1-based `position` of `bytes`.
int64_t Field(std::string_view bytes, size_t position, size_t width) {
  int64_t value = 0;
  for (size_t i = 0; i < width; ++i) value = value << 8 | static_cast<uint8_t>(bytes[position - 1 + i]);
  return value;
}
int64_t SignedField(std::string_view bytes, size_t position, size_t width) {
  const int64_t value = Field(bytes, position, width);
  const int64_t sign = int64_t{1} << (8 * width - 1);
  return value >= sign ? value - 2 * sign : value;
}

class ScatteredCompanyTest : public testing::TempShareTest {
 protected:
  share::ScatteredCompany Build(const fs::path& where) {
    share::ScatteredCompanyOptions options;
    options.jobs = 600;
    options.mechanics = 6;
    return share::BuildScatteredCompany(where, host_.computer_name, options);
  }
  static fs::path DataDirectory(const fs::path& where) { return where / "unc" / "SRV" / "VLTRLNK" / "CO1"; }
  std::string Record(int64_t n) const {
    return invol_.substr(static_cast<size_t>(n * share::kInvoiceRecordLength),
                         static_cast<size_t>(share::kInvoiceRecordLength));
  }

  std::string invol_;
};

TEST_F(ScatteredCompanyTest, ChainsAreSoundAndSpreadAcrossTheFile) {
  const share::ScatteredCompany written = Build(base_ / "company");
  invol_ = share::ReadBinaryFile(DataDirectory(base_ / "company") / "INVDB");
  const std::string file0 = share::ReadBinaryFile(DataDirectory(base_ / "company") / "FILE0");
  // The records written, and a few spare ones after them.
  ASSERT_GE(static_cast<int64_t>(invol_.size()), int64_t{written.records + 1} * share::kInvoiceRecordLength);

  std::map<int32_t, int32_t> index;  // job number -> index record
  for (int32_t job = 1; job <= 10086; ++job) {
    int32_t block = 0, slot = 0;
    ASSERT_TRUE(file0::JobIndexPlace(job, block, slot));
    const auto record = static_cast<int32_t>(SignedField(file0, static_cast<size_t>(BlockOffset(block) + 4 * slot + 1), 4));
    if (record > 0) index[job] = record;
  }
  ASSERT_EQ(index.size(), 600u);

  std::set<int64_t> in_chains;
  int spread = 0;        // jobs whose pages are not next to each other
  int descending = 0;    // jobs whose index record lies before the previous job's
  int several_requests = 0;
  int remarks = 0;
  int32_t previous_index_record = 0;
  for (const auto& [job, index_record] : index) {
    if (index_record < previous_index_record) ++descending;
    previous_index_record = index_record;
    int64_t n = index_record;
    int64_t page = Field(Record(n), 115, 1);
    int64_t request = Field(Record(n), 97, 1);
    if (request > 0) ++several_requests;
    while (true) {
      const std::string record = Record(n);
      ASSERT_TRUE(in_chains.insert(n).second) << "record " << n << " is in two chains";
      ASSERT_EQ(Field(record, 115, 1), page) << "job " << job;
      ASSERT_LE(Field(record, 97, 1), request) << "job " << job << ": requests go down along the chain";
      request = Field(record, 97, 1);
      if (record.starts_with("REMRQ")) {
        ++remarks;
      } else {
        ASSERT_EQ(Field(record, 101, 2), job);
      }
      const int64_t link = SignedField(record, 110, 3);
      if (page == 1) {
        ASSERT_EQ(link, 0) << "job " << job;
        break;
      }
      ASSERT_GT(link, 0);
      ASSERT_LE(link, written.records);
      if (link != n - 1) ++spread;
      n = link;
      --page;
    }
  }
  EXPECT_GT(spread, 50);
  EXPECT_GT(descending, 50);
  EXPECT_GT(several_requests, 30);
  EXPECT_GT(remarks, 10);
  // Every record is in one chain, freed, or of an old job no chain reaches.
  EXPECT_EQ(static_cast<int32_t>(in_chains.size()) + written.freed + written.outside_chains, written.records);

  // The free chain runs from the header through every freed record, each zeros but its link.
  const std::string header = Record(0);
  EXPECT_EQ(SignedField(header, 11, 4), written.records - written.freed) << "records in use";
  EXPECT_EQ(SignedField(header, 7, 4), written.records) << "highest record";
  int freed = 0;
  for (int64_t n = SignedField(header, 3, 4); n > 0; n = SignedField(Record(n), 3, 4)) {
    ASSERT_LE(++freed, written.freed);
    std::string record = Record(n);
    record.replace(2, 4, 4, '\0');
    EXPECT_EQ(record, std::string(record.size(), '\0')) << "freed record " << n;
    EXPECT_EQ(in_chains.count(n), 0u);
  }
  EXPECT_EQ(freed, written.freed);
  EXPECT_GT(freed, 5);

  int lines = 0;
  for (const auto& entry : fs::directory_iterator(DataDirectory(base_ / "company"))) {
    if (!entry.path().filename().string().starts_with("SCHEDULE.")) continue;
    const std::string text = share::ReadBinaryFile(entry.path());
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
  }
  EXPECT_EQ(lines, written.scheduled);
  EXPECT_GT(written.scheduled, 30);
}

TEST_F(ScatteredCompanyTest, TheSameSeedWritesTheSameFiles) {
  Build(base_ / "first");
  Build(base_ / "second");
  for (const char* file : {"INVDB", "FILE0", "MANDB", "RPARDB", "SCHEDULE.1"}) {
    const std::string first = share::ReadBinaryFile(DataDirectory(base_ / "first") / file);
    EXPECT_FALSE(first.empty()) << file;
    EXPECT_EQ(first, share::ReadBinaryFile(DataDirectory(base_ / "second") / file)) << file;
  }
}

}  // namespace
}  // namespace tervalo
