#pragma once
// The layout of B+-tree index files and typed views over their node blocks and over the cursor
// buffer that a caller of keyed access keeps between calls.
//
// Index file: 512-byte blocks numbered from the index's first block. Block 0 is the header:
//   bytes 1-2 entry length E (key length + 4), 3-4 entries per block (508 div E), 5-6 the low
//   16 bits of the file's last block, 7-8 two, 9-10 root block, 11-12 fill count, 13-14
//   duplicate-keys flag (65535 or 0), 15-16 zero.
// Every other block is a node: bytes 1-2 entry count n, 3-4 link (0 in an inner node; in a leaf
// the next leaf in key order, 65535 in the last leaf), then n entries of E bytes: the key and a
// 4-byte big-endian pointer (child block in an inner node, record number in a leaf). An inner
// entry's key is the last key of its child. The last leaf ends with the sentinel: an all-FF key
// with pointer -1.
//
// Cursor buffer, 544 bytes:
//   1-16    copy of the header's first 16 bytes
//   17      index (1-based) of the current entry in the current leaf
//   18      depth of the current leaf (root = 1)
//   19-32   block number of the node on the current path at levels 1 to 7, two bytes each
//   33-544  the current node block
//
// The views never trust a count read from disk: NodeView::CountFits() tells whether the count
// stays inside its block, and no entry is handed out before that has been checked.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/coding.h"
#include "engine/file_format.h"

namespace tervalo::index_format {

inline constexpr size_t kCursorSize = 544;
inline constexpr size_t kHeaderCopySize = 16;
inline constexpr int32_t kMaxDepth = 7;

// Offsets (0-based) in the cursor buffer.
inline constexpr size_t kEntryIndexAt = 16;
inline constexpr size_t kDepthAt = 17;
inline constexpr size_t kPathAt = 18;
inline constexpr size_t kNodeAt = 32;
static_assert(kPathAt + 2 * kMaxDepth == kNodeAt, "path slots end where the node begins");
static_assert(kNodeAt + kBlockSize == kCursorSize, "the node fills the rest of the cursor");

// Offsets (0-based) in the header block.
inline constexpr size_t kHeaderEntryLengthAt = 0;
inline constexpr size_t kHeaderEntriesPerBlockAt = 2;
inline constexpr size_t kHeaderLastBlockAt = 4;
inline constexpr size_t kHeaderTwoAt = 6;
inline constexpr size_t kHeaderRootAt = 8;
inline constexpr size_t kHeaderFillAt = 10;
inline constexpr size_t kHeaderDuplicatesAt = 12;

// A node block.
inline constexpr size_t kNodeHeadSize = 4;
inline constexpr int32_t kNodeSpace = static_cast<int32_t>(kBlockSize - kNodeHeadSize);  // 508
inline constexpr int32_t kPointerSize = 4;
inline constexpr int32_t kMinEntryLength = kPointerSize;  // an index of empty keys
inline constexpr int32_t kMaxEntryLength = kNodeSpace;
inline constexpr int32_t kInnerLink = 0;
inline constexpr int32_t kLastLeafLink = 0xFFFF;
// Block numbers are two-byte fields; 65535 is taken by the last-leaf link.
inline constexpr int32_t kMaxBlockNumber = 0xFFFE;

// The engine's error number for a damaged index file.
inline constexpr int32_t kErrDamagedIndex = 101;

// A two-byte field of a block (counts, links, block numbers): 0 to 65535.
inline int32_t Field16(const char* p) { return static_cast<int32_t>(DecodeBigEndian16(p)); }

// Keys compare byte by byte as unsigned values; a key that is a prefix of another is smaller.
inline int CompareKeys(std::string_view a, std::string_view b) {
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  if (common > 0) {
    if (const int c = std::memcmp(a.data(), b.data(), common); c != 0) return c < 0 ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

inline bool ValidEntryLength(int32_t entry_length) {
  return entry_length >= kMinEntryLength && entry_length <= kMaxEntryLength;
}
// Entries of length E that one block holds.
inline int32_t Capacity(int32_t entry_length) { return kNodeSpace / entry_length; }

// A read-only view of one node block. REQUIRES: block holds kBlockSize bytes and
// ValidEntryLength(entry_length).
class NodeView {
 public:
  NodeView(const char* block, int32_t entry_length) : block_(block), entry_length_(entry_length) {
    assert(ValidEntryLength(entry_length));
  }

  int32_t count() const { return Field16(block_); }
  int32_t link() const { return Field16(block_ + 2); }
  bool is_leaf() const { return link() != kInnerLink; }
  bool is_last_leaf() const { return link() == kLastLeafLink; }
  int32_t entry_length() const { return entry_length_; }
  int32_t key_length() const { return entry_length_ - kPointerSize; }

  // True when the node's count of entries stays inside the block. Checked before any entry is
  // used: counts come from files that other programs write.
  bool CountFits() const { return count() <= Capacity(entry_length_); }

  // Entry i (1-based): key and pointer together, E bytes. REQUIRES: CountFits(), 1 <= i <= count.
  std::string_view Entry(int32_t i) const {
    assert(i >= 1 && i <= count() && CountFits());
    return {block_ + EntryOffset(i), static_cast<size_t>(entry_length_)};
  }
  std::string_view Key(int32_t i) const { return Entry(i).substr(0, static_cast<size_t>(key_length())); }
  // The stored pointer as it is: -1 for the sentinel.
  int32_t RawPointer(int32_t i) const {
    return static_cast<int32_t>(DecodeBigEndian32(Entry(i).data() + key_length()));
  }
  // The pointer as keyed access reports it: -1 (FF FF FF FF) reads as 0.
  int32_t Pointer(int32_t i) const {
    const int32_t p = RawPointer(i);
    return p == -1 ? 0 : p;
  }

  // The first entry whose key is not below key, scanning from the first; 0 when every entry is
  // below it. REQUIRES: CountFits().
  int32_t FirstNotBelow(std::string_view key) const {
    const int32_t n = count();
    for (int32_t i = 1; i <= n; ++i) {
      if (CompareKeys(Key(i), key) >= 0) return i;
    }
    return 0;
  }

  // True when the keys never descend (strictly ascend unless equal keys are allowed).
  // REQUIRES: CountFits().
  bool KeysAscend(bool equal_allowed) const {
    for (int32_t i = 2; i <= count(); ++i) {
      const int c = CompareKeys(Key(i - 1), Key(i));
      if (c > 0 || (c == 0 && !equal_allowed)) return false;
    }
    return true;
  }

 private:
  size_t EntryOffset(int32_t i) const {
    return kNodeHeadSize + static_cast<size_t>(i - 1) * static_cast<size_t>(entry_length_);
  }

  const char* block_;
  int32_t entry_length_;
};

// A typed view over the caller's cursor buffer. The buffer is extended with NUL bytes to
// kCursorSize when it is shorter; nothing beyond kCursorSize is touched.
class CursorBuffer {
 public:
  explicit CursorBuffer(std::string& buff) : buff_(buff) {
    if (buff_.size() < kCursorSize) buff_.resize(kCursorSize, '\0');
  }

  char* data() { return buff_.data(); }
  // Where the header block is read: bytes 1-512 (the node read that follows overwrites 33-512).
  char* header_block() { return buff_.data(); }
  char* node_block() { return buff_.data() + kNodeAt; }
  const char* node_block() const { return buff_.data() + kNodeAt; }

  // Fields of the header copy.
  int32_t entry_length() const { return Field16(buff_.data() + kHeaderEntryLengthAt); }
  int32_t key_length() const { return entry_length() - kPointerSize; }
  int32_t root() const { return Field16(buff_.data() + kHeaderRootAt); }
  bool equal_keys_allowed() const { return Field16(buff_.data() + kHeaderDuplicatesAt) != 0; }

  int32_t entry_index() const { return static_cast<unsigned char>(buff_[kEntryIndexAt]); }
  // REQUIRES: 0 <= i <= 255 (a node holds at most 127 entries).
  void set_entry_index(int32_t i) {
    assert(i >= 0 && i <= 255);
    buff_[kEntryIndexAt] = static_cast<char>(i);
  }
  int32_t depth() const { return static_cast<unsigned char>(buff_[kDepthAt]); }
  // REQUIRES: 1 <= d <= kMaxDepth.
  void set_depth(int32_t d) {
    assert(d >= 1 && d <= kMaxDepth);
    buff_[kDepthAt] = static_cast<char>(d);
  }
  static bool ValidLevel(int32_t level) { return level >= 1 && level <= kMaxDepth; }
  // Block of the path at a level. REQUIRES: ValidLevel(level).
  int32_t path(int32_t level) const {
    assert(ValidLevel(level));
    return Field16(buff_.data() + kPathAt + 2 * static_cast<size_t>(level - 1));
  }
  void set_path(int32_t level, int32_t block) {
    assert(ValidLevel(level));
    EncodeBigEndian16(buff_.data() + kPathAt + 2 * static_cast<size_t>(level - 1),
                      static_cast<uint32_t>(block));
  }

  // The current node. REQUIRES: ValidEntryLength(entry_length()).
  NodeView node() const { return NodeView(node_block(), entry_length()); }

 private:
  std::string& buff_;
};

}  // namespace tervalo::index_format
