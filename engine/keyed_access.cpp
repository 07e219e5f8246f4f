// Keyed access on B+-tree index files: KFind, KNext, KPrev, KLast, KCount, KLength.
//
// The caller keeps its position in a 544-byte cursor buffer: bytes 1-16 a copy of the header,
// 17 the entry index in the current leaf, 18 the leaf's depth, 19-32 the block numbers of the
// path (two bytes per level), 33-544 the current node. The engine keeps nothing between calls.
//
// Index files come from a server that other programs write, so every count, block number and
// depth read from disk is checked before use: a damaged index ends in an error that names the
// file, never in a read outside the buffer or an endless walk.

#include <algorithm>
#include <cstring>

#include "engine/business_basic.h"
#include "environment/host.h"

namespace tervalo {
namespace {

constexpr size_t kBlock = 512;
constexpr size_t kBuffSize = 544;
constexpr size_t kNodeOffset = 32;  // the current node starts at byte 33
constexpr size_t kEntryIndexAt = 16;
constexpr size_t kDepthAt = 17;
constexpr int kMaxDepth = 7;
constexpr int32_t kLastLeafLink = 65535;
constexpr int32_t kErrDamagedIndex = 101;

int32_t C2At(const std::string& b, size_t offset) {
  return (static_cast<unsigned char>(b[offset]) << 8) | static_cast<unsigned char>(b[offset + 1]);
}

void PutC2(std::string& b, size_t offset, int32_t v) {
  b[offset] = static_cast<char>((v >> 8) & 0xFF);
  b[offset + 1] = static_cast<char>(v & 0xFF);
}

int32_t L4At(const std::string& b, size_t offset) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(b[offset + i]);
  return static_cast<int32_t>(v);
}

// A typed view of the caller's cursor buffer and the index file it walks.
class Cursor {
 public:
  Cursor(cBusinessBasic& engine, const std::shared_ptr<cLogicalFile>& file, std::string& buff,
         const char* source)
      : engine_(engine), file_(*file), buff_(buff), source_(source) {
    if (buff_.size() < kBuffSize) buff_.resize(kBuffSize, '\0');
  }

  // Reads the header block into bytes 1-512 and checks its entry length.
  void ReadHeader() {
    ReadBlockInto(0, 0);
    entry_length_ = C2At(buff_, 0);
    if (entry_length_ < 5 || entry_length_ > 508) {
      Damaged("its header gives an entry length of " + std::to_string(entry_length_));
    }
  }
  // The entry length of the header copy in the buffer (for calls that continue a walk).
  void UseHeaderCopy() {
    entry_length_ = C2At(buff_, 0);
    if (entry_length_ < 5 || entry_length_ > 508) Damaged("the cursor holds no position in it");
  }

  int32_t key_length() const { return entry_length_ - 4; }
  int32_t root() const { return C2At(buff_, 8); }

  // Reads node block b into bytes 33-544 and checks its entry count.
  void ReadNode(int32_t block) {
    if (block < 1 || block > file_.LastRecord) {
      Damaged("block " + std::to_string(block) + " lies outside the file (LastRec " +
              std::to_string(file_.LastRecord) + ")");
    }
    ReadBlockInto(block, kNodeOffset);
    if (4 + static_cast<int64_t>(count()) * entry_length_ > static_cast<int64_t>(kBlock)) {
      Damaged("block " + std::to_string(block) + " holds " + std::to_string(count()) +
              " entries, more than a block holds");
    }
  }

  int32_t count() const { return C2At(buff_, kNodeOffset); }
  int32_t link() const { return C2At(buff_, kNodeOffset + 2); }
  size_t EntryOffset(int32_t i) const { return kNodeOffset + 4 + static_cast<size_t>(i - 1) * entry_length_; }
  std::string_view EntryKey(int32_t i) const {
    return std::string_view(buff_).substr(EntryOffset(i), static_cast<size_t>(key_length()));
  }
  // The entry's pointer; -1 (FF FF FF FF) reads as 0.
  int32_t EntryPointer(int32_t i) const {
    const int32_t p = L4At(buff_, EntryOffset(i) + static_cast<size_t>(key_length()));
    return p == -1 ? 0 : p;
  }

  int32_t entry_index() const { return static_cast<unsigned char>(buff_[kEntryIndexAt]); }
  void set_entry_index(int32_t i) { buff_[kEntryIndexAt] = static_cast<char>(i); }
  int32_t depth() const { return static_cast<unsigned char>(buff_[kDepthAt]); }
  void set_depth(int32_t d) { buff_[kDepthAt] = static_cast<char>(d); }
  int32_t PathSlot(int32_t level) const { return C2At(buff_, 16 + 2 * static_cast<size_t>(level)); }
  void SetPathSlot(int32_t level, int32_t block) { PutC2(buff_, 16 + 2 * static_cast<size_t>(level), block); }

  // Key and record number of entry i of the current node.
  void Take(int32_t i, std::string& key, int32_t& rec) const {
    key.assign(EntryKey(i));
    rec = EntryPointer(i);
  }

  void CheckLevel(int32_t level) const {
    if (level > kMaxDepth) Damaged("its tree is deeper than " + std::to_string(kMaxDepth) + " levels");
  }
  // Guards walks along leaf links against loops.
  void CountLink(int32_t& links) const {
    if (++links > file_.LastRecord) Damaged("its leaf links run in a loop");
  }

  [[noreturn]] void Damaged(const std::string& what) const {
    throw EngineError(kErrDamagedIndex, source_, "Index " + file_.FileName + " is damaged: " + what);
  }

  const cLogicalFile& file() const { return file_; }

 private:
  void ReadBlockInto(int32_t block, size_t at) {
    engine_.ReadBytes(file_.OpenFile, (static_cast<int64_t>(file_.Position) + block) * 512,
                      buff_.data() + at, kBlock, source_);
  }

  cBusinessBasic& engine_;
  const cLogicalFile& file_;
  std::string& buff_;
  const char* source_;
  int32_t entry_length_ = 0;
};

bool KeyLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}

}  // namespace

void cBusinessBasic::KFind(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key,
                           int32_t& Rec, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  Cursor cursor(*this, file, Buff, "KFind");
  cursor.ReadHeader();
  Key.resize(static_cast<size_t>(cursor.key_length()), '\0');

  Rec = cursor.root();
  int32_t level = 0;
  int32_t links = 0;
  for (;;) {
    if (Rec > file->LastRecord || Rec < 1) {
      host_.ShowMessage({"Index is returning information out of Range.  File: " + file->FileName +
                             " LastRec: " + std::to_string(file->LastRecord),
                         "Tervalo", MessageIcon::kCritical});
      Rec = 0;
      return;
    }
    cursor.CheckLevel(++level);
    cursor.ReadNode(Rec);
    cursor.SetPathSlot(level, Rec);
    for (;;) {
      int32_t stop = 0;
      for (int32_t i = 1; i <= cursor.count(); ++i) {
        if (!KeyLess(cursor.EntryKey(i), Key)) {
          stop = i;
          break;
        }
      }
      if (stop > 0) {
        Rec = cursor.EntryPointer(stop);
        if (cursor.link() != 0) {  // a leaf: the search ends here
          if (KeyLess(Key, cursor.EntryKey(stop))) {
            Rec = -Rec;
            Key.assign(cursor.EntryKey(stop));
          }
          cursor.set_entry_index(stop);
          cursor.set_depth(level);
          return;
        }
        break;  // descend to the child
      }
      if (cursor.link() == kLastLeafLink) {
        Rec = 0;
        return;
      }
      if (cursor.link() == 0) cursor.Damaged("an inner node holds no key as high as the search key");
      cursor.CountLink(links);
      const int32_t next = cursor.link();
      cursor.ReadNode(next);
      cursor.SetPathSlot(level, next);
    }
  }
}

void cBusinessBasic::KNext(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key,
                           int32_t& Rec, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  Cursor cursor(*this, file, Buff, "KNext");
  cursor.UseHeaderCopy();
  int32_t i = cursor.entry_index();
  if (i >= cursor.count()) {
    const int32_t link = cursor.link();
    if (link == kLastLeafLink) {
      Rec = 0;
      return;
    }
    if (link == 0) cursor.Damaged("the cursor stands on an inner node");
    cursor.ReadNode(link);
    cursor.SetPathSlot(cursor.depth(), link);
    if (cursor.count() < 1) cursor.Damaged("leaf " + std::to_string(link) + " is empty");
    i = 0;
  }
  ++i;
  cursor.Take(i, Key, Rec);
  cursor.set_entry_index(i);
}

void cBusinessBasic::KPrev(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key,
                           int32_t& Rec, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  const std::string saved = Buff;
  Cursor cursor(*this, file, Buff, "KPrev");
  try {
    cursor.UseHeaderCopy();
    int32_t i = cursor.entry_index();
    const int32_t leaf_level = cursor.depth();
    if (i < 1 || i > cursor.count() + 1 || leaf_level < 1 || leaf_level > kMaxDepth) {
      Rec = 0;
      Buff = saved;
      return;
    }
    int32_t level = leaf_level;
    const size_t entry_length = static_cast<size_t>(cursor.key_length()) + 4;
    std::string probe;
    while (i == 1) {
      if (--level < 1) {
        Rec = 0;
        Buff = saved;
        return;
      }
      // The parent's entry for this node: the node's last key with the node's block number.
      probe.assign(Buff, cursor.EntryOffset(cursor.count()), entry_length);
      std::string pointer(4, '\0');
      for (int b = 0; b < 4; ++b) pointer[3 - b] = static_cast<char>((cursor.PathSlot(level + 1) >> (8 * b)) & 0xFF);
      probe.replace(entry_length - 4, 4, pointer);
      cursor.ReadNode(cursor.PathSlot(level));
      i = 0;
      for (int32_t e = cursor.count(); e >= 1; --e) {
        if (std::string_view(Buff).substr(cursor.EntryOffset(e), entry_length) == probe) {
          i = e;
          break;
        }
      }
      if (i == 0) {
        cursor.Damaged("block " + std::to_string(cursor.PathSlot(level)) + " has no entry for its child " +
                       std::to_string(cursor.PathSlot(level + 1)));
      }
    }
    while (level < leaf_level) {
      const int32_t child = cursor.EntryPointer(i - 1);
      cursor.ReadNode(child);
      ++level;
      cursor.SetPathSlot(level, child);
      i = cursor.count() + 1;
      if (i < 2) cursor.Damaged("block " + std::to_string(child) + " is empty");
    }
    --i;
    cursor.Take(i, Key, Rec);
    cursor.set_entry_index(i);
  } catch (...) {
    Buff = saved;
    throw;
  }
}

void cBusinessBasic::KLast(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key,
                           int32_t& Rec, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  Cursor cursor(*this, file, Buff, "KLast");
  cursor.ReadHeader();
  int32_t block = cursor.root();
  for (int32_t level = 1;; ++level) {
    cursor.CheckLevel(level);
    cursor.ReadNode(block);
    cursor.SetPathSlot(level, block);
    const int32_t n = cursor.count();
    if (cursor.link() == 0) {
      if (n < 1) cursor.Damaged("inner block " + std::to_string(block) + " is empty");
      block = cursor.EntryPointer(n);
      continue;
    }
    // The last leaf ends with the sentinel; the last key is the entry before it.
    cursor.set_depth(level);
    if (n >= 2) {
      cursor.Take(n - 1, Key, Rec);
      cursor.set_entry_index(n - 1);
      return;
    }
    // A last leaf left with the sentinel alone: the last key lies in the leaf before it.
    if (n < 1) cursor.Damaged("its last leaf " + std::to_string(block) + " is empty");
    cursor.set_entry_index(1);
    KPrev(file, Buff, Key, Rec);
    return;
  }
}

int32_t cBusinessBasic::KCount(const LogicalFileArg& LogicalFile, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  std::string buff(kBuffSize, '\0');
  std::string key;
  int32_t rec = 0;
  KFind(file, buff, key, rec);
  Cursor cursor(*this, file, buff, "KCount");
  cursor.UseHeaderCopy();
  if (cursor.depth() == 0) return 0;  // the search did not reach a leaf
  int64_t sum = cursor.count();
  int32_t links = 0;
  while (cursor.link() != kLastLeafLink) {
    if (cursor.link() == 0) cursor.Damaged("a leaf link leads to an inner node");
    cursor.CountLink(links);
    cursor.ReadNode(cursor.link());
    sum += cursor.count();
  }
  return static_cast<int32_t>(sum - 1);
}

int32_t cBusinessBasic::KLength(const LogicalFileArg& LogicalFile, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  std::string buff(kBuffSize, '\0');
  Cursor cursor(*this, file, buff, "KLength");
  cursor.ReadHeader();
  return cursor.key_length();
}

}  // namespace tervalo
