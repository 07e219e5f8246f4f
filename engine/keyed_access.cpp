// Keyed access on B+-tree index files: KFind, KNext, KPrev, KLast, KCount, KLength.
//
// The caller keeps its position in a 544-byte cursor buffer (engine/cursor_buffer.h); the engine
// keeps nothing between calls and reads every block it visits afresh, one read per block.
//
// Index files come from a server that other programs write, so nothing read from one is trusted:
// counts are checked against the end of their block, block numbers against the file, depths
// against the limit of seven levels, and every walk along leaf links is bounded. Walks from call
// to call must end as well, with no state kept between calls: a step into another leaf checks
// that the keys go on in order, which a loop of links cannot keep up. A damaged index ends in an
// error naming the file, never in a read outside the buffer or an endless walk.

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>

#include "base/coding.h"
#include "engine/business_basic.h"
#include "engine/cursor_buffer.h"
#include "engine/file_format.h"
#include "host/host.h"

namespace tervalo {
namespace {

using index_format::CompareKeys;
using index_format::CursorBuffer;
using index_format::kCursorSize;
using index_format::kErrDamagedIndex;
using index_format::kInnerLink;
using index_format::kLastLeafLink;
using index_format::kMaxBlockNumber;
using index_format::kMaxDepth;
using index_format::kMaxEntryLength;
using index_format::NodeView;

constexpr const char* kApplicationTitle = "Tervalo";

std::string Num(int64_t n) { return std::to_string(n); }

// -v without overflow: a pointer of -2147483648 stays as it is.
int32_t Negated(int32_t v) { return static_cast<int32_t>(0u - static_cast<uint32_t>(v)); }

// A key copied out of the buffer before the node holding it is replaced.
class SavedKey {
 public:
  void Set(std::string_view key) {
    size_ = key.size();
    std::memcpy(bytes_.data(), key.data(), size_);
  }
  std::string_view view() const { return {bytes_.data(), size_}; }

 private:
  std::array<char, kMaxEntryLength> bytes_{};
  size_t size_ = 0;
};

// One call's walk over an index file: reads blocks into the caller's cursor buffer and raises
// the damaged-index error.
class IndexWalk {
 public:
  IndexWalk(cBusinessBasic& engine, const cLogicalFile& file, std::string& buff, const char* source)
      : engine_(engine), file_(file), cursor_(buff), source_(source) {}

  CursorBuffer& cursor() { return cursor_; }
  const cLogicalFile& file() const { return file_; }

  // Reads the header block into bytes 1-512 and checks its entry length.
  void ReadHeader() {
    ReadBlock(0, cursor_.header_block());
    if (!index_format::ValidEntryLength(cursor_.entry_length())) {
      Damaged("its header gives an entry length of " + Num(cursor_.entry_length()));
    }
  }
  // Checks the header copy that KFind or KLast left in the buffer.
  void CheckEntryLength() const {
    if (!index_format::ValidEntryLength(cursor_.entry_length())) NoPosition();
  }

  bool InFile(int32_t block) const { return block >= 1 && block <= file_.LastRecord; }

  // Reads node block `block` into bytes 33-544 and checks its count.
  void ReadNode(int32_t block) {
    if (!InFile(block)) {
      Damaged("block " + Num(block) + " lies outside the file (LastRec " + Num(file_.LastRecord) + ")");
    }
    ReadBlock(block, cursor_.node_block());
    CheckCount(block);
  }
  // The count of the node in the buffer must stay inside its block.
  void CheckCount(int32_t block) const {
    const NodeView node = cursor_.node();
    if (!node.CountFits()) {
      Damaged("block " + Num(block) + " holds " + Num(node.count()) + " entries, more than a block holds");
    }
  }

  // How many leaf links one walk may follow: a chain without repeats visits each block once.
  int32_t LinkBudget() const { return std::min(file_.LastRecord, kMaxBlockNumber); }

  [[noreturn]] void Damaged(const std::string& what) const {
    throw EngineError(kErrDamagedIndex, source_, "Index " + file_.FileName + " is damaged: " + what);
  }
  [[noreturn]] void NoPosition() const {
    throw EngineError(kErrDamagedIndex, source_,
                      "Index " + file_.FileName + ": the cursor holds no position in it");
  }

  void ShowOutOfRange() const {
    engine_.host().ShowMessage({"Index is returning information out of Range.  File: " + file_.FileName +
                                    " LastRec: " + Num(file_.LastRecord),
                                kApplicationTitle, MessageIcon::kCritical});
  }

 private:
  void ReadBlock(int32_t block, char* into) {
    engine_.ReadIndexBlock(file_.OpenFile, BlockOffset(static_cast<int64_t>(file_.Position) + block), into,
                           source_);
  }

  cBusinessBasic& engine_;
  const cLogicalFile& file_;
  CursorBuffer cursor_;
  const char* source_;
};

enum class FindEnd { kLeaf, kOutOfRange, kNoHigherKey };

// The search of KFind (and of KCount's first leaf). REQUIRES: key brought to the key length.
// Leaves the cursor on the leaf entry where the search stopped, with bytes 17 and 18 set.
FindEnd Find(IndexWalk& walk, std::string& key, int32_t& rec) {
  CursorBuffer& cursor = walk.cursor();
  int32_t links_left = walk.LinkBudget();
  rec = cursor.root();
  for (int32_t level = 1;; ++level) {
    if (!walk.InFile(rec)) {
      walk.ShowOutOfRange();
      rec = 0;
      return FindEnd::kOutOfRange;
    }
    if (level > kMaxDepth) walk.Damaged("its tree is deeper than " + Num(kMaxDepth) + " levels");
    walk.ReadNode(rec);
    cursor.set_path(level, rec);
    int32_t stop = 0;
    // An entry below the search key everywhere in a node: the keys go on in the linked node.
    while ((stop = cursor.node().FirstNotBelow(key)) == 0) {
      const int32_t link = cursor.node().link();
      if (link == kLastLeafLink) {
        rec = 0;
        return FindEnd::kNoHigherKey;
      }
      if (link == kInnerLink) {
        walk.Damaged("inner block " + Num(cursor.path(level)) + " holds no key as high as the search key");
      }
      if (--links_left < 0) walk.Damaged("its leaf links run in a loop");
      if (!walk.InFile(link)) {
        walk.ShowOutOfRange();
        rec = 0;
        return FindEnd::kOutOfRange;
      }
      walk.ReadNode(link);
      cursor.set_path(level, link);
    }
    const NodeView node = cursor.node();
    rec = node.Pointer(stop);
    if (node.is_leaf()) {
      if (CompareKeys(key, node.Key(stop)) < 0) {
        rec = Negated(rec);
        key.assign(node.Key(stop));
      }
      cursor.set_entry_index(stop);
      cursor.set_depth(level);
      return FindEnd::kLeaf;
    }
  }
}

// Checks a leaf just entered from a neighbour: its keys in order, and all of them beyond the key
// the walk left (above it going forwards, below it going backwards).
void CheckLeafEntered(IndexWalk& walk, int32_t block, std::string_view left_key, bool forwards) {
  const NodeView node = walk.cursor().node();
  const bool equal_allowed = walk.cursor().equal_keys_allowed();
  if (!node.is_leaf()) walk.Damaged("block " + Num(block) + " is reached as a leaf but is an inner node");
  if (node.count() < 1) walk.Damaged("leaf " + Num(block) + " is empty");
  const int c = forwards ? CompareKeys(node.Key(1), left_key) : CompareKeys(left_key, node.Key(node.count()));
  if (!node.KeysAscend(equal_allowed) || c < 0 || (c == 0 && !equal_allowed)) {
    walk.Damaged("the keys of leaf " + Num(block) + " are out of order");
  }
}

// Finds the path from the root to the node at `level` + 1 whose parent entry is `probe`, sets
// the path slots of levels 1 to `level`, and returns the index of the probe in the parent (left
// in the buffer), or 0. Equal keys may spread over several children, so every child whose keys
// can reach the probe's key is tried; `reads_left` bounds the search on a damaged index.
int32_t FindParentEntry(IndexWalk& walk, int32_t block, int32_t at_level, int32_t level,
                        std::string_view probe, int32_t& reads_left) {
  CursorBuffer& cursor = walk.cursor();
  if (--reads_left < 0 || !walk.InFile(block)) return 0;
  walk.ReadNode(block);
  cursor.set_path(at_level, block);
  const NodeView node = cursor.node();
  if (node.is_leaf()) return 0;
  if (at_level == level) {
    for (int32_t e = node.count(); e >= 1; --e) {
      if (node.Entry(e) == probe) return e;
    }
    return 0;
  }
  const std::string_view key = probe.substr(0, static_cast<size_t>(node.key_length()));
  std::array<int32_t, index_format::kNodeSpace / index_format::kMinEntryLength> children{};
  size_t candidates = 0;
  for (int32_t e = node.FirstNotBelow(key); e >= 1 && e <= node.count(); ++e) {
    children[candidates++] = node.Pointer(e);
    if (CompareKeys(node.Key(e), key) > 0) break;
  }
  for (size_t c = 0; c < candidates; ++c) {
    const int32_t found = FindParentEntry(walk, children[c], at_level + 1, level, probe, reads_left);
    if (found > 0) {
      cursor.set_path(at_level, block);
      return found;
    }
  }
  return 0;
}

}  // namespace

void cBusinessBasic::KFind(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key,
                           int32_t& Rec, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  IndexWalk walk(*this, *file, Buff, "KFind");
  walk.ReadHeader();
  Key.resize(static_cast<size_t>(walk.cursor().key_length()), '\0');
  Find(walk, Key, Rec);
}

void cBusinessBasic::KNext(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key,
                           int32_t& Rec, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  IndexWalk walk(*this, *file, Buff, "KNext");
  CursorBuffer& cursor = walk.cursor();
  walk.CheckEntryLength();
  const int32_t level = cursor.depth();
  if (!CursorBuffer::ValidLevel(level)) walk.NoPosition();
  walk.CheckCount(cursor.path(level));
  const NodeView node = cursor.node();
  if (!node.is_leaf()) walk.NoPosition();
  int32_t i = cursor.entry_index();
  if (i >= node.count()) {
    const int32_t link = node.link();
    if (link == kLastLeafLink) {
      Rec = 0;
      return;
    }
    SavedKey left;
    if (node.count() >= 1) left.Set(node.Key(node.count()));
    walk.ReadNode(link);
    CheckLeafEntered(walk, link, left.view(), /*forwards=*/true);
    cursor.set_path(level, link);
    i = 0;
  }
  ++i;
  Key.assign(node.Key(i));
  Rec = node.Pointer(i);
  cursor.set_entry_index(i);
}

void cBusinessBasic::KPrev(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key,
                           int32_t& Rec, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  IndexWalk walk(*this, *file, Buff, "KPrev");
  CursorBuffer& cursor = walk.cursor();
  std::array<char, kCursorSize> saved;
  std::memcpy(saved.data(), cursor.data(), kCursorSize);
  const auto restore = [&] { std::memcpy(cursor.data(), saved.data(), kCursorSize); };
  try {
    walk.CheckEntryLength();
    const int32_t leaf_level = cursor.depth();
    if (!CursorBuffer::ValidLevel(leaf_level)) walk.NoPosition();
    walk.CheckCount(cursor.path(leaf_level));
    const NodeView node = cursor.node();
    int32_t i = cursor.entry_index();
    if (!node.is_leaf() || i < 1 || i > node.count()) walk.NoPosition();
    const size_t entry_length = static_cast<size_t>(cursor.entry_length());
    SavedKey left;
    left.Set(node.Key(1));

    // Climb while the cursor stands on the first entry of its node.
    int32_t level = leaf_level;
    bool path_checked = false;
    while (i == 1) {
      if (--level < 1) {
        Rec = 0;
        restore();
        return;
      }
      if (node.count() < 1) walk.Damaged("block " + Num(cursor.path(level + 1)) + " is empty");
      // The parent's entry for this node: the node's last key with the node's block number.
      std::array<char, kMaxEntryLength> probe_bytes;
      std::memcpy(probe_bytes.data(), node.Entry(node.count()).data(), entry_length);
      EncodeBigEndian32(probe_bytes.data() + cursor.key_length(),
                        static_cast<uint32_t>(cursor.path(level + 1)));
      const std::string_view probe(probe_bytes.data(), entry_length);
      const int32_t parent = cursor.path(level);
      walk.ReadNode(parent);
      i = 0;
      for (int32_t e = node.count(); e >= 1; --e) {
        if (node.Entry(e) == probe) {
          i = e;
          break;
        }
      }
      if (i == 0 && !path_checked) {
        // KNext moves into the next leaf without reading the parents, so after it crosses into
        // a leaf under another parent the upper path slots are out of date: find the path from
        // the root afresh.
        path_checked = true;
        int32_t reads_left = walk.LinkBudget();
        i = FindParentEntry(walk, cursor.root(), 1, level, probe, reads_left);
      }
      if (i == 0) {
        walk.Damaged("block " + Num(parent) + " has no entry for its child " + Num(cursor.path(level + 1)));
      }
    }
    // Down the last children of the entry before, to the leaf level.
    while (level < leaf_level) {
      const int32_t child = node.Pointer(i - 1);
      walk.ReadNode(child);
      ++level;
      cursor.set_path(level, child);
      if (node.is_leaf() != (level == leaf_level)) {
        walk.Damaged("block " + Num(child) + " does not lie at the depth of its kind of node");
      }
      if (node.count() < 1) walk.Damaged("block " + Num(child) + " is empty");
      i = node.count() + 1;
      if (level == leaf_level) CheckLeafEntered(walk, child, left.view(), /*forwards=*/false);
    }
    --i;
    Key.assign(node.Key(i));
    Rec = node.Pointer(i);
    cursor.set_entry_index(i);
  } catch (...) {
    restore();
    throw;
  }
}

void cBusinessBasic::KLast(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key,
                           int32_t& Rec, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  IndexWalk walk(*this, *file, Buff, "KLast");
  CursorBuffer& cursor = walk.cursor();
  walk.ReadHeader();
  int32_t block = cursor.root();
  for (int32_t level = 1;; ++level) {
    if (level > kMaxDepth) walk.Damaged("its tree is deeper than " + Num(kMaxDepth) + " levels");
    walk.ReadNode(block);
    cursor.set_path(level, block);
    const NodeView node = cursor.node();
    const int32_t n = node.count();
    if (n < 1) walk.Damaged("block " + Num(block) + " is empty");
    if (!node.is_leaf()) {
      block = node.Pointer(n);
      continue;
    }
    cursor.set_depth(level);
    if (n >= 2) {  // the entry before the sentinel
      Key.assign(node.Key(n - 1));
      Rec = node.Pointer(n - 1);
      cursor.set_entry_index(n - 1);
      return;
    }
    // A last leaf left with the sentinel alone: the last key is the one before it.
    cursor.set_entry_index(1);
    KPrev(file, Buff, Key, Rec);
    return;
  }
}

int32_t cBusinessBasic::KCount(const LogicalFileArg& LogicalFile, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  std::string buff(kCursorSize, '\0');
  IndexWalk walk(*this, *file, buff, "KCount");
  CursorBuffer& cursor = walk.cursor();
  walk.ReadHeader();
  std::string key(static_cast<size_t>(cursor.key_length()), '\0');
  int32_t rec = 0;
  if (Find(walk, key, rec) != FindEnd::kLeaf) return 0;
  // From the first leaf along the links; each leaf is counted once, so a loop ends the walk.
  std::bitset<kMaxBlockNumber + 2> seen;
  int32_t block = cursor.path(cursor.depth());
  int64_t sum = 0;
  for (;;) {
    seen.set(static_cast<size_t>(block));
    const NodeView node = cursor.node();
    sum += node.count();
    const int32_t link = node.link();
    if (link == kLastLeafLink) break;
    if (link == kInnerLink) walk.Damaged("block " + Num(block) + " is reached as a leaf but is an inner node");
    if (seen.test(static_cast<size_t>(link))) walk.Damaged("its leaf links run in a loop");
    walk.ReadNode(link);
    block = link;
  }
  return static_cast<int32_t>(sum - 1);
}

int32_t cBusinessBasic::KLength(const LogicalFileArg& LogicalFile, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  std::string buff(kCursorSize, '\0');
  IndexWalk walk(*this, *file, buff, "KLength");
  walk.ReadHeader();
  return walk.cursor().key_length();
}

}  // namespace tervalo
