// tervalo-inspect walk, count and verify over hand-made indexes whose entries point at record 0:
// keyed access reads such an entry as "no more entries", the tools must not.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "tests/support/temp_share.h"
#include "tools/inspect/inspect_commands.h"
#include "tools/share_builders/data_file_builder.h"
#include "tools/share_builders/index_builder.h"

namespace tervalo {
namespace {

using share::C2;

struct IndexCase {
  const char* name;
  share::IndexShape shape;
  share::IndexEntries entries;
};

// Keys 0001..n (2 bytes) with record numbers 100 + key, except those listed, which point at 0.
share::IndexEntries KeysWithZeros(int n, std::vector<int> zeros) {
  share::IndexEntries entries;
  for (int k = 1; k <= n; ++k) {
    const bool zero = std::find(zeros.begin(), zeros.end(), k) != zeros.end();
    entries.emplace_back(C2(k), zero ? 0 : 100 + k);
  }
  return entries;
}

// What walk prints for entries: record number right-aligned in 10, two blanks, the key in hex.
std::string Listing(const share::IndexEntries& entries) {
  std::ostringstream out;
  for (const auto& [key, rec] : entries) {
    char line[64];
    std::snprintf(line, sizeof line, "%10d  %02X %02X\n", rec, static_cast<unsigned char>(key[0]),
                  static_cast<unsigned char>(key[1]));
    out << line;
  }
  return out.str();
}

class InspectIndexTest : public testing::TempShareTest {
 protected:
  void Install(const std::vector<IndexCase>& cases) {
    share::DataFileBuilder data(share_, "IDXLK");
    for (const IndexCase& c : cases) share::AddIndex(data, c.name, c.shape, c.entries);
    data.Write();
    WriteBasicShare(data.Links());
  }

  int Run(const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    return inspect::Run(args, "", out_, err_);
  }

  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(InspectIndexTest, WalkReachesTheSentinelPastEntriesOfRecordZero) {
  // Fill {2, 5}: four entries a node, so 20 keys make a three-level tree of six leaves (keys 4,
  // 8, ... end a leaf); {2, 100}: one leaf.
  const std::vector<IndexCase> cases = {
      {"FIRSTI", {2, 5}, KeysWithZeros(20, {1})},
      {"LEAFENDI", {2, 5}, KeysWithZeros(20, {4, 5, 8})},
      {"LASTI", {2, 5}, KeysWithZeros(20, {20})},
      {"ALLI", {2, 100}, KeysWithZeros(3, {1, 2, 3})},
      {"NONEI", {2, 5}, KeysWithZeros(9, {})},
      {"EMPTYI", {2, 100}, {}},
  };
  Install(cases);
  for (const IndexCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Run({"walk", c.name}), 0) << err_.str();
    EXPECT_EQ(out_.str(), Listing(c.entries));
    share::IndexEntries reversed(c.entries.rbegin(), c.entries.rend());
    ASSERT_EQ(Run({"walk", c.name, "--reverse"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), Listing(reversed));
    ASSERT_EQ(Run({"count", c.name}), 0) << err_.str();
    EXPECT_EQ(out_.str(), std::to_string(c.entries.size()) + "\n");
  }
}

TEST_F(InspectIndexTest, VerifyWarnsOfRecordZeroAndStillCallsTheIndexSound) {
  Install(
      {{"LEAFENDI", {2, 5}, KeysWithZeros(20, {4, 5})}, {"NONEI", {2, 5}, KeysWithZeros(9, {})}});
  // Leaves are blocks 4-9 (root 1, inner 2-3); key 4 ends leaf 4, key 5 begins leaf 5.
  EXPECT_EQ(Run({"verify", "LEAFENDI"}), 0);
  EXPECT_EQ(out_.str(),
            "block 4: warning: entry 4 (00 04) points at record 0\n"
            "block 5: warning: entry 1 (00 05) points at record 0\n"
            "LEAFENDI: sound, 20 keys\n");
  EXPECT_EQ(Run({"verify", "NONEI"}), 0);
  EXPECT_EQ(out_.str(), "NONEI: sound, 9 keys\n");
}

TEST_F(InspectIndexTest, AFaultBesideAWarningFailsVerify) {
  std::vector<std::string> blocks = share::BuildIndexBlocks({2, 5}, KeysWithZeros(20, {2}));
  blocks[5].replace(2, 2, C2(7));  // leaf 5 links past leaf 6
  share::DataFileBuilder data(share_, "IDXLK");
  data.Add({"LINKI", 'I', 512, static_cast<int32_t>(blocks.size()) - 1});
  for (size_t b = 0; b < blocks.size(); ++b)
    data.SetBlock("LINKI", static_cast<int32_t>(b), blocks[b]);
  data.Write();
  WriteBasicShare(data.Links());
  EXPECT_EQ(Run({"verify", "LINKI"}), 1);
  EXPECT_NE(out_.str().find("block 4: warning: entry 2 (00 02) points at record 0\n"),
            std::string::npos)
      << out_.str();
  EXPECT_NE(out_.str().find("block 5: links to 7 instead of the next leaf 6\n"), std::string::npos)
      << out_.str();
  EXPECT_EQ(out_.str().find("sound"), std::string::npos) << out_.str();
}

}  // namespace
}  // namespace tervalo
