// Keyed access: a two-level index written out by hand, walks checked against std::map on
// bulk-loaded trees of one to four levels, the cursor buffer's layout, and damaged indexes.

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "engine/business_basic.h"
#include "environment/shared_instances.h"
#include "tests/support/engine_checks.h"
#include "tests/support/temp_share.h"
#include "tools/data_file_builder.h"
#include "tools/index_builder.h"

namespace tervalo {
namespace {

using share::C2;
using share::L4;
using testing::Hex;

std::string Block(std::string_view hex) {
  std::string b = Hex(hex);
  b.resize(512, '\0');
  return b;
}

class KeyedAccessTest : public testing::TempShareTest {
 protected:
  // Writes index files into one data file and starts the engine.
  void Install(const std::vector<std::pair<std::string, std::vector<std::string>>>& indexes) {
    share::DataFileBuilder data(share_, "IDXLK");
    for (const auto& [name, blocks] : indexes) {
      data.Add({name, 'I', 512, static_cast<int32_t>(blocks.size()) - 1});
      for (size_t b = 0; b < blocks.size(); ++b) data.SetBlock(name, static_cast<int32_t>(b), blocks[b]);
    }
    data.Write();
    WriteBasicShare(data.Links());
    StartEngine();
  }

  // A two-level index of 2-byte keys, E = 6: root block 1 over leaves 2 and 3.
  //   leaf 2: 0010 -> 101, 0020 -> 102, 0030 -> 103          link 3
  //   leaf 3: 0040 -> 104, 8000 -> 105, FFFF -> -1 sentinel  link FFFF
  static std::vector<std::string> HandWrittenIndex() {
    return {
        Block("0006 0054 0003 0002 0001 0000 0000 0000"),
        Block("0002 0000  0030 00000002  FFFF 00000003"),
        Block("0003 0003  0010 00000065  0020 00000066  0030 00000067"),
        Block("0003 FFFF  0040 00000068  8000 00000069  FFFF FFFFFFFF"),
    };
  }
};

TEST_F(KeyedAccessTest, FindsKeysInAHandWrittenIndexAndFillsTheCursor) {
  Install({{"HANDI", HandWrittenIndex()}});
  std::string buff;
  std::string key = Hex("0020");
  int32_t rec = 0;
  gEngine->KFind("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 102);
  EXPECT_EQ(key, Hex("0020"));
  ASSERT_EQ(buff.size(), 544u);
  EXPECT_EQ(buff.substr(0, 16), Hex("0006 0054 0003 0002 0001 0000 0000 0000"));
  EXPECT_EQ(buff[16], 2) << "entry index";
  EXPECT_EQ(buff[17], 2) << "depth";
  EXPECT_EQ(buff.substr(18, 4), Hex("0001 0002")) << "path: root 1, leaf 2";
  EXPECT_EQ(buff.substr(32, 8), Hex("0003 0003 0010 0000"));

  key = Hex("0031");  // between 0030 and 0040: the next higher key, negated
  gEngine->KFind("HANDI", buff, key, rec);
  EXPECT_EQ(rec, -104);
  EXPECT_EQ(key, Hex("0040"));
  EXPECT_EQ(buff.substr(18, 4), Hex("0001 0003"));
  gEngine->KPrev("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 103) << "KPrev climbs to the root and down into the previous leaf";
  EXPECT_EQ(key, Hex("0030"));
  gEngine->KNext("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 104) << "KNext follows the leaf link";

  key = Hex("7FFF");  // sorts below 8000: bytes compare unsigned
  gEngine->KFind("HANDI", buff, key, rec);
  EXPECT_EQ(rec, -105);
  key = Hex("8001");
  gEngine->KFind("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 0) << "no higher key: the sentinel";
  EXPECT_EQ(key, Hex("FFFF"));
  key = Hex("003099");  // longer keys are cut to the key length
  gEngine->KFind("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 103);
  EXPECT_EQ(key, Hex("0030"));
  EXPECT_EQ(gEngine->KCount("HANDI"), 5);
  EXPECT_EQ(gEngine->KLength("HANDI"), 2);
}

TEST_F(KeyedAccessTest, WalksEndAtBothEnds) {
  Install({{"HANDI", HandWrittenIndex()}});
  std::string buff;
  std::string key;
  int32_t rec = 0;
  gEngine->KLast("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 105);
  EXPECT_EQ(key, Hex("8000"));
  gEngine->KNext("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 0) << "the sentinel comes back with record 0";
  EXPECT_EQ(key, Hex("FFFF"));
  gEngine->KNext("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 0);

  key = Hex("0010");
  gEngine->KFind("HANDI", buff, key, rec);
  const std::string before = buff;
  gEngine->KPrev("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 0);
  EXPECT_EQ(buff, before) << "KPrev on the first key leaves the cursor as it was";
}

TEST_F(KeyedAccessTest, KLastSkipsALastLeafLeftWithTheSentinelAlone) {
  Install({{"TAILI", {Block("0006 0054 0003 0002 0001 0000 0000 0000"),
                      Block("0002 0000  0040 00000002  FFFF 00000003"),
                      Block("0004 0003  0010 00000065  0020 00000066  0030 00000067  0040 00000068"),
                      Block("0001 FFFF  FFFF FFFFFFFF")}}});
  std::string buff, key;
  int32_t rec = 0;
  gEngine->KLast("TAILI", buff, key, rec);
  EXPECT_EQ(rec, 104);
  EXPECT_EQ(key, Hex("0040"));
  gEngine->KPrev("TAILI", buff, key, rec);
  EXPECT_EQ(rec, 103);
}

TEST_F(KeyedAccessTest, AnEmptyIndexHasOnlyTheSentinel) {
  Install({{"EMPTYI", {Block("000C 002A 0001 0002 0001 0000 0000 0000"),
                       C2(1) + std::string(510, '\xFF')}}});
  std::string buff;
  std::string key = "ABC";
  int32_t rec = 7;
  gEngine->KFind("EMPTYI", buff, key, rec);
  EXPECT_EQ(rec, 0);
  EXPECT_EQ(key, std::string(8, '\xFF'));
  EXPECT_EQ(gEngine->KCount("EMPTYI"), 0);
  gEngine->KLast("EMPTYI", buff, key, rec);
  EXPECT_EQ(rec, 0);
}

// Walks over bulk-loaded trees of one to six levels agree with a sorted map.
TEST_F(KeyedAccessTest, AgreesWithASortedMapOnTreesOfOneToSixLevels) {
  std::mt19937 random(20261210);
  struct Tree {
    const char* name;
    int32_t key_length;
    int count;
    int fill;
  } trees[] = {{"ONEI", 4, 20, 100}, {"TWOI", 6, 300, 100}, {"THREEI", 8, 900, 20}, {"FOURI", 3, 600, 5}};
  std::vector<std::pair<std::string, std::vector<std::string>>> indexes;
  std::map<std::string, std::map<std::string, int32_t>> expected;
  for (const auto& t : trees) {
    std::map<std::string, int32_t> keys;
    while (static_cast<int>(keys.size()) < t.count) {
      // Shared prefixes and bytes above 0x7F.
      std::string key(static_cast<size_t>(t.key_length), '\0');
      key[0] = static_cast<char>(0x7E + random() % 4);
      for (size_t i = 1; i < key.size(); ++i) key[i] = static_cast<char>(random() % 256);
      keys.emplace(key, static_cast<int32_t>(keys.size() + 1));
    }
    share::IndexEntries entries(keys.begin(), keys.end());
    indexes.emplace_back(t.name, share::BuildIndexBlocks({t.key_length, t.fill}, entries));
    expected[t.name] = keys;
  }
  Install(indexes);

  for (const auto& t : trees) {
    SCOPED_TRACE(t.name);
    const auto& keys = expected[t.name];
    EXPECT_EQ(gEngine->KCount(t.name), t.count);
    // Forward from the first key, backward from the last.
    std::string buff, key;
    int32_t rec = 0;
    gEngine->KFind(t.name, buff, key, rec);
    std::vector<std::pair<std::string, int32_t>> forward;
    for (rec = rec < 0 ? -rec : rec; rec != 0; gEngine->KNext(t.name, buff, key, rec)) forward.emplace_back(key, rec);
    using Entries = std::vector<std::pair<std::string, int32_t>>;
    EXPECT_EQ(forward, Entries(keys.begin(), keys.end()));
    std::vector<std::pair<std::string, int32_t>> backward;
    for (gEngine->KLast(t.name, buff, key, rec); rec != 0; gEngine->KPrev(t.name, buff, key, rec)) backward.emplace_back(key, rec);
    EXPECT_EQ(backward, Entries(keys.rbegin(), keys.rend()));
    // Probes: existing keys, keys between, and their neighbours.
    for (int probe = 0; probe < 200; ++probe) {
      std::string search(static_cast<size_t>(t.key_length), '\0');
      search[0] = static_cast<char>(0x7E + random() % 4);
      for (size_t i = 1; i < search.size(); ++i) search[i] = static_cast<char>(random() % 256);
      if (probe % 2 == 0) search = std::next(keys.begin(), static_cast<long>(random() % keys.size()))->first;
      const auto higher = keys.lower_bound(search);
      key = search;
      gEngine->KFind(t.name, buff, key, rec);
      if (higher == keys.end()) {
        EXPECT_EQ(rec, 0);
        continue;
      }
      EXPECT_EQ(rec, higher->first == search ? higher->second : -higher->second);
      EXPECT_EQ(key, higher->first);
      gEngine->KPrev(t.name, buff, key, rec);
      if (higher == keys.begin()) {
        EXPECT_EQ(rec, 0);
      } else {
        EXPECT_EQ(key, std::prev(higher)->first);
        EXPECT_EQ(rec, std::prev(higher)->second);
      }
    }
  }
}

TEST_F(KeyedAccessTest, DamagedIndexesEndInAMessageOrAnErrorNamingTheFile) {
  auto index = HandWrittenIndex;
  std::vector<std::string> child_out_of_range = index();
  child_out_of_range[1] = Block("0002 0000  0030 00000009  FFFF 00000003");
  std::vector<std::string> too_many = index();
  too_many[2] = Block("0060 0003  0010 00000065");
  std::vector<std::string> cyclic = index();
  cyclic[3] = Block("0002 0002  0040 00000068  8000 00000069");  // last leaf links back
  std::vector<std::string> orphan = index();
  orphan[1] = Block("0002 0000  0030 00000002  FFFE 00000003");  // parent key differs from child's
  std::vector<std::string> deep = {Block("0006 0054 0008 0002 0001 0000 0000 0000")};
  for (int b = 1; b <= 8; ++b) deep.push_back(Block("0001 0000 FFFF 0000000" + std::to_string(b + 1)));
  Install({{"RANGEI", child_out_of_range}, {"FULLI", too_many}, {"LOOPI", cyclic},
           {"ORPHANI", orphan}, {"DEEPI", deep}});

  std::string buff, key;
  int32_t rec = 5;
  key = Hex("0010");
  gEngine->KFind("RANGEI", buff, key, rec);
  EXPECT_EQ(rec, 0);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text, "Index is returning information out of Range.  File: RANGEI LastRec: 3");
  EXPECT_EQ(host_.messages[0].icon, MessageIcon::kCritical);

  key = Hex("0010");
  EXPECT_EQ(testing::ErrorOf([&] { gEngine->KFind("FULLI", buff, key, rec); }),
            "101 KFind: Index FULLI is damaged: block 2 holds 96 entries, more than a block holds");
  EXPECT_EQ(testing::ErrorOf([] { gEngine->KCount("LOOPI"); }),
            "101 KCount: Index LOOPI is damaged: its leaf links run in a loop");
  EXPECT_EQ(testing::ErrorOf([] { gEngine->KCount("DEEPI"); }),
            "101 KCount: Index DEEPI is damaged: its tree is deeper than 7 levels");

  key = Hex("0040");
  gEngine->KFind("ORPHANI", buff, key, rec);
  ASSERT_EQ(rec, 104);
  const std::string before = buff;
  EXPECT_EQ(testing::ErrorOf([&] { gEngine->KPrev("ORPHANI", buff, key, rec); }),
            "101 KPrev: Index ORPHANI is damaged: block 1 has no entry for its child 3");
  EXPECT_EQ(buff, before);
  EXPECT_EQ(testing::ErrorOf([&] { gEngine->KFind("NOSUCHI", buff, key, rec); }),
            "-10 LogicalOpen: File not Found: \"NOSUCHI\"");
}

}  // namespace
}  // namespace tervalo
