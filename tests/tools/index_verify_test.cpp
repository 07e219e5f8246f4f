#include "tools/inspect/index_verify.h"

#include <gtest/gtest.h>

#include "engine/business_basic.h"
#include "environment/shared_instances.h"
#include "tests/support/engine_checks.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/data_file_builder.h"
#include "tools/share_builders/index_builder.h"

namespace tervalo {
namespace {

using share::C2;
using share::L4;

// Keys 0001..n (2 bytes) with record numbers 100 + key.
share::IndexEntries Keys(int n) {
  share::IndexEntries entries;
  for (int k = 1; k <= n; ++k) entries.emplace_back(C2(k), 100 + k);
  return entries;
}

class IndexVerifyTest : public testing::TempShareTest {
 protected:
  // Installs each named set of blocks as an index and returns the faults found in each.
  std::map<std::string, std::vector<std::string>> VerifyAll(
      const testing::NamedIndexBlocks& indexes) {
    InstallIndexes(indexes);
    std::map<std::string, std::vector<std::string>> found;
    for (const auto& [name, blocks] : indexes) {
      for (const auto& p : VerifyIndex(*gEngine, gEngine->LogicalOpen(name))) {
        found[name].push_back("block " + std::to_string(p.block) + ": " + p.fault);
      }
    }
    return found;
  }

  // Blocks of a three-level tree of 2-byte keys, 4 entries per node: root 1, inner 2-3, leaves 4-9.
  static std::vector<std::string> ThreeLevels() { return share::BuildIndexBlocks({2, 5}, Keys(20)); }
};

TEST_F(IndexVerifyTest, SoundIndexesOfSeveralDepthsHaveNoProblems) {
  const auto found = VerifyAll({{"ONEI", share::BuildIndexBlocks({2}, Keys(10))},
                                {"THREEI", ThreeLevels()},
                                {"EMPTYI", share::BuildIndexBlocks({8}, {})},
                                {"SEVENI", share::BuildIndexBlocks({2, 1}, Keys(60))}});
  EXPECT_TRUE(found.empty()) << found.begin()->first << ": " << found.begin()->second.front();
}

TEST_F(IndexVerifyTest, NamesTheBlockAndFaultOfEachKindOfDamage) {
  auto with = [](int block, const std::string& bytes, std::vector<std::string> blocks = ThreeLevels()) {
    std::string b = bytes;
    b.resize(512, '\0');
    blocks[static_cast<size_t>(block)] = b;
    return blocks;
  };
  const auto three = ThreeLevels();
  // Leaf 4 holds keys 1-4 (link 5); leaf 9 ends with the sentinel.
  ASSERT_EQ(three[4].substr(0, 4), C2(4) + C2(5));

  std::vector<std::string> bad_header = three;
  bad_header[0].replace(2, 2, C2(50));
  std::vector<std::string> descending = three;
  descending[5].replace(4, 2, C2(1));  // leaf 5 begins below the end of leaf 4
  std::vector<std::string> no_sentinel = three;
  no_sentinel[9] = with(9, C2(1) + C2(0xFFFF) + C2(20) + L4(120))[9];

  const auto found = VerifyAll({
      {"HEADERI", bad_header},
      {"COUNTI", with(4, C2(200) + C2(5))},
      {"ORDERI", descending},
      {"INNERI", with(2, C2(3) + C2(0) + C2(4) + L4(4) + C2(9) + L4(5) + C2(12) + L4(6))},
      {"LINKI", with(4, C2(4) + C2(6) + C2(1) + L4(101) + C2(2) + L4(102) + C2(3) + L4(103) + C2(4) + L4(104))},
      {"RANGEI", with(1, C2(2) + C2(0) + C2(12) + L4(2) + C2(0xFFFF) + L4(77))},
      {"SENTINELI", no_sentinel},
  });
  auto has = [&](const std::string& index, const std::string& text) {
    const auto it = found.find(index);
    if (it == found.end()) return false;
    for (const auto& f : it->second) {
      if (f.find(text) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_TRUE(has("HEADERI", "block 0: entries per block is 50, not 84")) << found.count("HEADERI");
  EXPECT_TRUE(has("COUNTI", "block 4: holds 200 entries, more than a block holds"));
  EXPECT_TRUE(has("ORDERI", "block 5: begins with a key lower than the end of the leaf before it"));
  EXPECT_TRUE(has("INNERI", "block 2: key of entry 2 (00 09) is not the last key of its child 5"));
  EXPECT_TRUE(has("LINKI", "block 4: links to 6 instead of the next leaf 5"));
  EXPECT_TRUE(has("RANGEI", "block 1: entry 2 points at block 77, outside the file (LastRec 9)"));
  EXPECT_TRUE(has("SENTINELI", "block 9: does not end with the sentinel entry"));
}

TEST_F(IndexVerifyTest, FindsLeavesAtDifferentDepthsAndTreesDeeperThanSeven) {
  // Root 1 over leaf 2 and inner 3, which holds leaf 4: two depths of leaves.
  std::vector<std::string> uneven = {
      C2(6) + C2(84) + C2(4) + C2(2) + C2(1),
      C2(2) + C2(0) + C2(5) + L4(2) + C2(0xFFFF) + L4(3),
      C2(1) + C2(4) + C2(5) + L4(105),
      C2(1) + C2(0) + C2(0xFFFF) + L4(4),
      C2(1) + C2(0xFFFF) + C2(0xFFFF) + L4(-1),
  };
  std::vector<std::string> deep = {C2(6) + C2(84) + C2(9) + C2(2) + C2(1)};
  for (int b = 1; b <= 8; ++b) deep.push_back(C2(1) + C2(0) + C2(0xFFFF) + L4(b + 1));
  deep.push_back(C2(1) + C2(0xFFFF) + C2(0xFFFF) + L4(-1));
  const auto found = VerifyAll({{"UNEVENI", uneven}, {"DEEPI", deep}});
  ASSERT_EQ(found.count("UNEVENI"), 1u);
  EXPECT_EQ(found.at("UNEVENI").front(), "block 3: is an inner node at the depth of the leaves (2)");
  ASSERT_EQ(found.count("DEEPI"), 1u);
  EXPECT_EQ(found.at("DEEPI").back(), "block 8: lies at depth 8, deeper than 7 levels");
}

TEST_F(IndexVerifyTest, RepeatedKeysAreFaultsUnlessTheHeaderAllowsThem) {
  // Keys 1, 2, 3, 3, 4, ... : the repeated 3 falls inside leaf 4 (4 entries a node).
  share::IndexEntries repeated = Keys(19);
  repeated.insert(repeated.begin() + 3, {C2(3), 999});
  // Keys 1-4, 4-19: leaf 4 ends with 4 and leaf 5 begins with it.
  share::IndexEntries straddling = Keys(19);
  straddling.insert(straddling.begin() + 4, {C2(4), 999});
  std::vector<std::string> bad_flag = ThreeLevels();
  bad_flag[0].replace(12, 2, C2(1));
  std::vector<std::string> root_named_again = ThreeLevels();
  root_named_again[2].replace(4 + 2 * 6 + 2, 4, L4(1));  // block 2's third entry names the root
  const auto found = VerifyAll({{"REPEATI", share::BuildIndexBlocks({2, 5}, repeated)},
                                {"STRADI", share::BuildIndexBlocks({2, 5}, straddling)},
                                {"DUPSI", share::BuildIndexBlocks({2, 5, true}, straddling)},
                                {"FLAGI", bad_flag},
                                {"CYCLEI", root_named_again}});
  using Faults = std::vector<std::string>;
  EXPECT_EQ(found.at("REPEATI"), Faults{"block 4: key 4 repeats the key before it"});
  EXPECT_EQ(found.at("STRADI"), Faults{"block 5: begins with the key that ends the leaf before it"});
  EXPECT_EQ(found.count("DUPSI"), 0u) << "equal keys allowed by the header";
  EXPECT_EQ(found.at("FLAGI"), Faults{"block 0: duplicate-keys flag is 1, not 0 or 65535"});
  ASSERT_FALSE(found.at("CYCLEI").empty());
  EXPECT_EQ(found.at("CYCLEI").front(), "block 2: entry 3 points at block 1, which another entry already names");
}

TEST_F(IndexVerifyTest, TakesALogicalFileName) {
  VerifyAll({{"NAMEDI", ThreeLevels()}});
  EXPECT_TRUE(VerifyIndex(*gEngine, "NAMEDI").empty());
  EXPECT_EQ(testing::ErrorOf([] { VerifyIndex(*gEngine, "NOSUCHI"); }), "-10 LogicalOpen: File not Found: \"NOSUCHI\"");
}

}  // namespace
}  // namespace tervalo
