// Keyed access: a two-level index written out by hand, walks checked against std::map on
// bulk-loaded trees of one to four levels (with the reads each call costs), the cursor buffer's
// layout, and damaged indexes.

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "engine/business_basic.h"
#include "engine/read_scope.h"
#include "environment/shared_instances.h"
#include "host/counting_host.h"
#include "tests/support/engine_checks.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/data_file_builder.h"
#include "tools/share_builders/index_builder.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo {
namespace {

using share::C2;
using share::L4;
using testing::ErrorOf;
using testing::Hex;
using Entries = std::vector<std::pair<std::string, int32_t>>;

std::string Block(std::string_view hex) {
  std::string b = Hex(hex);
  b.resize(512, '\0');
  return b;
}

class KeyedAccessTest : public testing::TempShareTest {
 protected:
  ~KeyedAccessTest() override { ResetSharedInstances(); }  // the engine ends before its host

  // Reads that an action costs.
  int64_t ReadsOf(const std::function<void()>& action) {
    const int64_t before = counting_.all().reads;
    action();
    return counting_.all().reads - before;
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

  // The test host, counting the reads that reach the file system.
  CountingHost counting_{host_};

 private:
  ScopedHost use_counting_host_{counting_};
};

TEST_F(KeyedAccessTest, FindsKeysInAHandWrittenIndexAndFillsTheCursor) {
  InstallIndexes({{"HANDI", HandWrittenIndex()}});
  ASSERT_TRUE(gEngine->LogicalOpen("HANDI"));  // the resolution file is read once, here
  std::string buff;
  std::string key = Hex("0020");
  int32_t rec = 0;
  EXPECT_EQ(ReadsOf([&] { gEngine->KFind("HANDI", buff, key, rec); }), 3) << "header, root, leaf";
  EXPECT_EQ(rec, 102);
  EXPECT_EQ(key, Hex("0020"));
  ASSERT_EQ(buff.size(), 544u);
  EXPECT_EQ(buff.substr(0, 16), Hex("0006 0054 0003 0002 0001 0000 0000 0000"));
  EXPECT_EQ(buff[16], 2) << "entry index";
  EXPECT_EQ(buff[17], 2) << "depth";
  EXPECT_EQ(buff.substr(18, 14), Hex("0001 0002 0000 0000 0000 0000 0000")) << "path: root 1, leaf 2";
  EXPECT_EQ(buff.substr(32), HandWrittenIndex()[2]) << "the current node";

  key = Hex("0031");  // between 0030 and 0040: the next higher key, negated
  gEngine->KFind("HANDI", buff, key, rec);
  EXPECT_EQ(rec, -104);
  EXPECT_EQ(key, Hex("0040"));
  EXPECT_EQ(buff.substr(18, 4), Hex("0001 0003"));
  gEngine->KPrev("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 103) << "KPrev climbs to the root and down into the previous leaf";
  EXPECT_EQ(key, Hex("0030"));
  EXPECT_EQ(buff.substr(18, 4), Hex("0001 0002"));
  EXPECT_EQ(ReadsOf([&] { gEngine->KNext("HANDI", buff, key, rec); }), 1) << "KNext follows the link";
  EXPECT_EQ(rec, 104);
  EXPECT_EQ(buff.substr(18, 4), Hex("0001 0003"));

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
  key = Hex("00");  // shorter keys are extended with NUL
  gEngine->KFind("HANDI", buff, key, rec);
  EXPECT_EQ(rec, -101);
  EXPECT_EQ(key, Hex("0010"));
  EXPECT_EQ(gEngine->KCount("HANDI"), 5);
  EXPECT_EQ(gEngine->KLength("HANDI"), 2);
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(KeyedAccessTest, WalksEndAtBothEnds) {
  InstallIndexes({{"HANDI", HandWrittenIndex()}});
  std::string buff;
  std::string key;
  int32_t rec = 0;
  gEngine->KLast("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 105);
  EXPECT_EQ(key, Hex("8000"));
  gEngine->KNext("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 0) << "the sentinel comes back with record 0";
  EXPECT_EQ(key, Hex("FFFF"));
  EXPECT_EQ(ReadsOf([&] { gEngine->KNext("HANDI", buff, key, rec); }), 0);
  EXPECT_EQ(rec, 0);

  key = Hex("0010");
  gEngine->KFind("HANDI", buff, key, rec);
  const std::string before = buff;
  gEngine->KPrev("HANDI", buff, key, rec);
  EXPECT_EQ(rec, 0);
  EXPECT_EQ(buff, before) << "KPrev on the first key leaves the cursor as it was";
}

TEST_F(KeyedAccessTest, KLastSkipsALastLeafLeftWithTheSentinelAlone) {
  InstallIndexes({{"TAILI", {Block("0006 0054 0003 0002 0001 0000 0000 0000"),
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
  InstallIndexes({{"EMPTYI", {Block("000C 002A 0001 0002 0001 0000 0000 0000"),
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

// Random keys with long shared prefixes and bytes above 0x7F.
std::map<std::string, int32_t> RandomKeys(std::mt19937& random, int32_t key_length, int count) {
  std::map<std::string, int32_t> keys;
  while (static_cast<int>(keys.size()) < count) {
    std::string key(static_cast<size_t>(key_length), '\0');
    key[0] = static_cast<char>(0x7E + random() % 4);
    for (size_t i = 1; i < key.size(); ++i) {
      key[i] = static_cast<char>(i + 2 < key.size() ? (random() % 2) * 0xFF : random() % 256);
    }
    keys.emplace(key, static_cast<int32_t>(random() % 1000000 + 1));
  }
  return keys;
}

// Walks over bulk-loaded trees of one to four levels agree with a sorted map, and each call
// reads only the blocks it visits.
TEST_F(KeyedAccessTest, AgreesWithASortedMapOnTreesOfOneToFourLevels) {
  std::mt19937 random(20261210);
  struct Tree {
    const char* name;
    int32_t key_length;
    int count;
    int fill;
    int depth;
  } trees[] = {{"ONEI", 4, 20, 100, 1}, {"TWOI", 6, 300, 100, 2}, {"THREEI", 8, 900, 50, 3}, {"FOURI", 3, 600, 10, 4}};
  testing::NamedIndexBlocks indexes;
  std::map<std::string, std::map<std::string, int32_t>> expected;
  for (const auto& t : trees) {
    expected[t.name] = RandomKeys(random, t.key_length, t.count);
    const share::IndexEntries entries(expected[t.name].begin(), expected[t.name].end());
    indexes.emplace_back(t.name, share::BuildIndexBlocks({t.key_length, t.fill}, entries));
  }
  InstallIndexes(indexes);

  for (const auto& t : trees) {
    SCOPED_TRACE(t.name);
    const auto& keys = expected[t.name];
    EXPECT_EQ(gEngine->KCount(t.name), t.count);
    std::string buff, key;
    int32_t rec = 0;
    EXPECT_EQ(ReadsOf([&] { gEngine->KFind(t.name, buff, key, rec); }), t.depth + 1);
    ASSERT_EQ(buff[17], t.depth);

    // Forward to the sentinel, each KNext reading at most one block.
    Entries forward;
    int64_t most_reads = 0;
    for (rec = rec < 0 ? -rec : rec; rec != 0;) {
      forward.emplace_back(key, rec);
      most_reads = std::max(most_reads, ReadsOf([&] { gEngine->KNext(t.name, buff, key, rec); }));
    }
    EXPECT_EQ(forward, Entries(keys.begin(), keys.end()));
    EXPECT_LE(most_reads, 1);
    // Back from the sentinel: KNext moved leaf to leaf without the parents, so KPrev finds its
    // path again where the leaves change parent.
    Entries backward;
    for (gEngine->KPrev(t.name, buff, key, rec); rec != 0; gEngine->KPrev(t.name, buff, key, rec)) {
      backward.emplace_back(key, rec);
    }
    EXPECT_EQ(backward, Entries(keys.rbegin(), keys.rend()));
    backward.clear();
    for (gEngine->KLast(t.name, buff, key, rec); rec != 0; gEngine->KPrev(t.name, buff, key, rec)) {
      backward.emplace_back(key, rec);
    }
    EXPECT_EQ(backward, Entries(keys.rbegin(), keys.rend()));

    // Probes: existing keys and keys between them, with their neighbours either side.
    for (int probe = 0; probe < 200; ++probe) {
      std::string search = RandomKeys(random, t.key_length, 1).begin()->first;
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
      const std::string found_buff = buff;
      gEngine->KNext(t.name, buff, key, rec);
      EXPECT_EQ(rec, std::next(higher) == keys.end() ? 0 : std::next(higher)->second);
      buff = found_buff;
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

// Each kind of damage, met by the call that walks into it.
TEST_F(KeyedAccessTest, DamagedIndexesEndInAMessageOrAnErrorNamingTheFile) {
  auto with = [](size_t block, std::string_view hex) {
    auto blocks = HandWrittenIndex();
    blocks[block] = Block(hex);
    return blocks;
  };
  std::vector<std::string> deep = {Block("0006 0054 0008 0002 0001 0000 0000 0000")};
  for (int b = 1; b <= 8; ++b) deep.push_back(Block("0001 0000 FFFF 0000000" + std::to_string(b + 1)));
  InstallIndexes({{"FULLI", with(2, "0060 0003  0010 00000065")},
           {"LOOPI", with(3, "0002 0002  0040 00000068  8000 00000069")},  // last leaf links back
           {"SELFI", with(2, "0003 0002  0010 00000065  0020 00000066  0030 00000067")},
           {"ORPHANI", with(1, "0002 0000  0030 00000002  FFFE 00000003")},  // parent key differs
           {"INNERI", with(2, "0002 0000  0010 00000065  0020 00000066")},  // a leaf turned inner
           {"LENGTHI", with(0, "0000 0054 0003 0002 0001 0000 0000 0000")},
           {"DEEPI", deep}});

  struct Case {
    const char* index;
    std::function<void(std::string&, std::string&, int32_t&)> action;
    const char* error;
  } cases[] = {
      {"FULLI", [](auto& b, auto& k, auto& r) { gEngine->KFind("FULLI", b, k = Hex("0010"), r); },
       "101 KFind: Index FULLI is damaged: block 2 holds 96 entries, more than a block holds"},
      {"LOOPI", [](auto&, auto&, auto&) { gEngine->KCount("LOOPI"); },
       "101 KCount: Index LOOPI is damaged: its leaf links run in a loop"},
      {"LOOPI",
       [](auto& b, auto& k, auto& r) {
         gEngine->KFind("LOOPI", b, k = Hex("0010"), r);
         for (int i = 0; i < 100 && r != 0; ++i) gEngine->KNext("LOOPI", b, k, r);
       },
       "101 KNext: Index LOOPI is damaged: the keys of leaf 2 are out of order"},
      {"SELFI",
       [](auto& b, auto& k, auto& r) {
         gEngine->KFind("SELFI", b, k = Hex("0010"), r);
         for (int i = 0; i < 100 && r != 0; ++i) gEngine->KNext("SELFI", b, k, r);
       },
       "101 KNext: Index SELFI is damaged: the keys of leaf 2 are out of order"},
      {"ORPHANI", [](auto& b, auto& k, auto& r) { gEngine->KPrev("ORPHANI", b, k, r); },
       "101 KPrev: Index ORPHANI is damaged: block 1 has no entry for its child 3"},
      {"INNERI", [](auto& b, auto& k, auto& r) { gEngine->KFind("INNERI", b, k = Hex("0025"), r); },
       "101 KFind: Index INNERI is damaged: inner block 2 holds no key as high as the search key"},
      {"LENGTHI", [](auto&, auto&, auto&) { gEngine->KLength("LENGTHI"); },
       "101 KLength: Index LENGTHI is damaged: its header gives an entry length of 0"},
      {"DEEPI", [](auto& b, auto& k, auto& r) { gEngine->KLast("DEEPI", b, k, r); },
       "101 KLast: Index DEEPI is damaged: its tree is deeper than 7 levels"},
      {"DEEPI", [](auto&, auto&, auto&) { gEngine->KCount("DEEPI"); },
       "101 KCount: Index DEEPI is damaged: its tree is deeper than 7 levels"},
      {"fresh cursor", [](auto& b, auto& k, auto& r) { gEngine->KNext("FULLI", b, k, r); },
       "101 KNext: Index FULLI: the cursor holds no position in it"},
      {"NOSUCHI", [](auto& b, auto& k, auto& r) { gEngine->KFind("NOSUCHI", b, k, r); },
       "-10 LogicalOpen: File not Found: \"NOSUCHI\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    std::string buff, key;
    int32_t rec = 0;
    if (std::string_view(c.index) == "ORPHANI") {  // KPrev from the first key of leaf 3
      key = Hex("0040");
      gEngine->KFind("ORPHANI", buff, key, rec);
      ASSERT_EQ(rec, 104);
    }
    const std::string before = buff;
    EXPECT_EQ(ErrorOf([&] { c.action(buff, key, rec); }), c.error);
    if (std::string_view(c.index) == "ORPHANI") {
      EXPECT_EQ(buff, before) << "KPrev restores the cursor";
    }
  }
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(KeyedAccessTest, ABlockOutsideTheFileShowsTheMessageAndFindsNothing) {
  auto child_out_of_range = HandWrittenIndex();
  child_out_of_range[1] = Block("0002 0000  0030 00000009  FFFF 00000003");
  auto root_zero = HandWrittenIndex();
  root_zero[0] = Block("0006 0054 0003 0002 0000 0000 0000 0000");
  InstallIndexes({{"RANGEI", child_out_of_range}, {"ROOTI", root_zero}});
  for (const char* index : {"RANGEI", "ROOTI"}) {
    host_.messages.clear();
    std::string buff, key = Hex("0010");
    int32_t rec = 5;
    gEngine->KFind(index, buff, key, rec);
    EXPECT_EQ(rec, 0);
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text,
              "Index is returning information out of Range.  File: " + std::string(index) + " LastRec: 3");
    EXPECT_EQ(host_.messages[0].title, "Tervalo");
    EXPECT_EQ(host_.messages[0].icon, MessageIcon::kCritical);
    EXPECT_EQ(gEngine->KCount(index), 0);
  }
}

TEST_F(KeyedAccessTest, ARecordNumberThatCannotBeNegatedIsReturnedAsItIs) {
  auto index = HandWrittenIndex();
  index[2] = Block("0003 0003  0010 80000000  0020 00000066  0030 00000067");
  InstallIndexes({{"MINI", index}});
  std::string buff, key = Hex("0001");
  int32_t rec = 0;
  gEngine->KFind("MINI", buff, key, rec);
  EXPECT_EQ(rec, INT32_MIN);
  EXPECT_EQ(key, Hex("0010"));
}

}  // namespace
}  // namespace tervalo

namespace tervalo {
namespace {

namespace fs = std::filesystem;

TEST_F(KeyedAccessTest, AReadScopeReadsEachIndexBlockOnceUntilAWriteOrItsEnd) {
  InstallIndexes({{"HANDI", HandWrittenIndex()}});
  ASSERT_TRUE(gEngine->LogicalOpen("HANDI"));
  auto find = [](const char* hex) {
    std::string buff;
    std::string key = Hex(hex);
    int32_t rec = 0;
    gEngine->KFind("HANDI", buff, key, rec);
    return rec;
  };
  {
    const ReadScope scope(*gEngine);
    EXPECT_EQ(ReadsOf([&] { EXPECT_EQ(find("0020"), 102); }), 3) << "header, root, leaf";
    EXPECT_EQ(ReadsOf([&] { EXPECT_EQ(find("0010"), 101); }), 0) << "the same blocks again";
    EXPECT_EQ(ReadsOf([&] { EXPECT_EQ(find("0040"), 104); }), 1) << "only the other leaf";
    // Another workstation's change is seen after a write through the engine drops the blocks.
    const fs::path data = share_.DataDirectory() / "IDXDB";
    std::string bytes = share::ReadBinaryFile(data);
    const size_t leaf = bytes.find(HandWrittenIndex()[2]);
    ASSERT_NE(leaf, std::string::npos);
    bytes.replace(leaf + 12, 4, Hex("000000C9"));  // the pointer of 0020: 102 -> 201
    share::WriteBinaryFile(data, bytes);
    EXPECT_EQ(find("0020"), 102) << "still the kept block";
    gEngine->BlockWriteFile("\\\\SRV\\VLTRLNK\\CO1\\IDXDB", 9, std::string(512, '\0'));
    EXPECT_EQ(ReadsOf([&] { EXPECT_EQ(find("0020"), 201); }), 3);
  }
  EXPECT_EQ(ReadsOf([&] { EXPECT_EQ(find("0020"), 201); }), 3) << "outside a scope every block is read";
  EXPECT_EQ(ReadsOf([&] { find("0020"); }), 3);
}

}  // namespace
}  // namespace tervalo
