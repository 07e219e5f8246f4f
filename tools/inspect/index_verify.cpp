#include "tools/inspect/index_verify.h"

#include <array>
#include <set>

#include "base/basic_text.h"
#include "engine/cursor_buffer.h"
#include "engine/file_format.h"

namespace tervalo {
namespace {

namespace fmt = index_format;
using fmt::NodeView;

std::string Num(int64_t n) { return std::to_string(n); }

// A node waiting to be read at the next level, with what its parent says of it.
struct Pending {
  int32_t block = 0;
  int32_t parent = 0;  // 0 for the root
  int32_t entry = 0;
  std::string parent_key;
};

// What the leaf checks need of a leaf once its block has been read.
struct LeafSummary {
  int32_t block = 0;
  int32_t link = 0;
  std::string first_key;
  std::string last_key;
  int32_t last_pointer = 0;
};

class Verifier {
 public:
  Verifier(cBusinessBasic& engine, const cLogicalFile& index) : engine_(engine), index_(index) {}

  std::vector<IndexProblem> Run() {
    if (CheckHeader()) Walk();
    return problems_;
  }

 private:
  // False when the tree cannot be walked at all.
  bool CheckHeader() {
    Read(0);
    entry_length_ = fmt::Field16(block_.data() + fmt::kHeaderEntryLengthAt);
    const int32_t per_block = fmt::Field16(block_.data() + fmt::kHeaderEntriesPerBlockAt);
    const int32_t duplicates = fmt::Field16(block_.data() + fmt::kHeaderDuplicatesAt);
    root_ = fmt::Field16(block_.data() + fmt::kHeaderRootAt);
    if (!fmt::ValidEntryLength(entry_length_)) {
      Problem(0, "entry length " + Num(entry_length_) + " is not between " + Num(fmt::kMinEntryLength) +
                     " and " + Num(fmt::kMaxEntryLength));
      return false;
    }
    if (per_block != fmt::Capacity(entry_length_)) {
      Problem(0, "entries per block is " + Num(per_block) + ", not " + Num(fmt::Capacity(entry_length_)) +
                     " for entry length " + Num(entry_length_));
    }
    if (duplicates != 0 && duplicates != 0xFFFF) {
      Problem(0, "duplicate-keys flag is " + Num(duplicates) + ", not 0 or 65535");
    }
    equal_keys_allowed_ = duplicates != 0;
    if (!InFile(root_)) {
      Problem(0, "root block " + Num(root_) + " lies outside the file (LastRec " + Num(index_.LastRecord) + ")");
      return false;
    }
    return true;
  }

  // Level by level from the root: each node is read once, checked against its parent's entry,
  // and either queues its children or joins the leaves of its level.
  void Walk() {
    std::vector<Pending> level{{root_, 0, 0, {}}};
    std::set<int32_t> named{root_};
    for (int32_t depth = 1; !level.empty(); ++depth) {
      if (depth > fmt::kMaxDepth) {
        Problem(level.front().block, "lies at depth " + Num(depth) + ", deeper than " + Num(fmt::kMaxDepth) + " levels");
        return;
      }
      std::vector<Pending> next;
      std::vector<LeafSummary> leaves;
      std::vector<int32_t> inner;
      for (const Pending& p : level) {
        Read(p.block);
        const NodeView node(block_.data(), entry_length_);
        if (!CheckNode(p, node)) continue;
        if (node.is_leaf()) {
          WarnOfRecordZero(p.block, node);
          leaves.push_back({p.block, node.link(), std::string(node.Key(1)),
                            std::string(node.Key(node.count())), node.RawPointer(node.count())});
        } else {
          inner.push_back(p.block);
          QueueChildren(p.block, node, named, next);
        }
      }
      if (!leaves.empty()) {
        for (int32_t block : inner) Problem(block, "is an inner node at the depth of the leaves (" + Num(depth) + ")");
        CheckLeaves(leaves);
        return;
      }
      level = std::move(next);
    }
  }

  // Count, order of keys, and the parent's key for this node. False when the node has no
  // entries to go on with.
  bool CheckNode(const Pending& p, const NodeView& node) {
    if (!node.CountFits()) {
      Problem(p.block, "holds " + Num(node.count()) + " entries, more than a block holds");
      return false;
    }
    if (node.count() == 0) {
      Problem(p.block, "holds no entries");
      return false;
    }
    for (int32_t i = 2; i <= node.count(); ++i) {
      const int c = fmt::CompareKeys(node.Key(i - 1), node.Key(i));
      if (c > 0) Problem(p.block, "key " + Num(i) + " is lower than the key before it");
      if (c == 0 && !equal_keys_allowed_) Problem(p.block, "key " + Num(i) + " repeats the key before it");
    }
    if (p.parent != 0 && node.Key(node.count()) != p.parent_key) {
      Problem(p.parent, "key of entry " + Num(p.entry) + " (" + HexBytes(p.parent_key) +
                            ") is not the last key of its child " + Num(p.block));
    }
    return true;
  }

  void QueueChildren(int32_t block, const NodeView& node, std::set<int32_t>& named, std::vector<Pending>& next) {
    for (int32_t i = 1; i <= node.count(); ++i) {
      const int32_t child = node.RawPointer(i);
      if (!InFile(child)) {
        Problem(block, "entry " + Num(i) + " points at block " + Num(child) + ", outside the file (LastRec " +
                           Num(index_.LastRecord) + ")");
      } else if (!named.insert(child).second) {
        Problem(block, "entry " + Num(i) + " points at block " + Num(child) + ", which another entry already names");
      } else {
        next.push_back({child, block, i, std::string(node.Key(i))});
      }
    }
  }

  // Record 0 is never a data record, and keyed access cannot tell such an entry from the end of
  // the index, so the board would stop reading the index there.
  void WarnOfRecordZero(int32_t block, const NodeView& node) {
    for (int32_t i = 1; i <= node.count(); ++i) {
      if (node.RawPointer(i) == 0) {
        problems_.push_back({block, "entry " + Num(i) + " (" + HexBytes(node.Key(i)) + ") points at record 0", true});
      }
    }
  }

  // The leaves in tree order: each links to the next, the last one links nowhere and ends with
  // the sentinel, and the keys go on ascending from leaf to leaf.
  void CheckLeaves(const std::vector<LeafSummary>& leaves) {
    for (size_t i = 0; i < leaves.size(); ++i) {
      const bool last = i + 1 == leaves.size();
      const int32_t expected = last ? fmt::kLastLeafLink : leaves[i + 1].block;
      if (leaves[i].link != expected) {
        Problem(leaves[i].block, "links to " + Num(leaves[i].link) + " instead of " +
                                     (last ? "65535 (the last leaf)" : "the next leaf " + Num(expected)));
      }
      if (i > 0) {
        const int c = fmt::CompareKeys(leaves[i].first_key, leaves[i - 1].last_key);
        if (c < 0) Problem(leaves[i].block, "begins with a key lower than the end of the leaf before it");
        if (c == 0 && !equal_keys_allowed_) {
          Problem(leaves[i].block, "begins with the key that ends the leaf before it");
        }
      }
    }
    const LeafSummary& last = leaves.back();
    const std::string sentinel(static_cast<size_t>(entry_length_ - fmt::kPointerSize), '\xFF');
    if (last.last_key != sentinel || last.last_pointer != -1) {
      Problem(last.block, "does not end with the sentinel entry (all-FF key, pointer -1)");
    }
  }

  bool InFile(int32_t block) const { return block >= 1 && block <= index_.LastRecord; }

  void Read(int32_t block) {
    engine_.ReadBytes(index_.OpenFile, BlockOffset(static_cast<int64_t>(index_.Position) + block), block_.data(),
                      block_.size(), "VerifyIndex");
  }

  void Problem(int32_t block, std::string fault) { problems_.push_back({block, std::move(fault)}); }

  cBusinessBasic& engine_;
  const cLogicalFile& index_;
  std::array<char, kBlockSize> block_{};
  int32_t entry_length_ = 0;
  int32_t root_ = 0;
  bool equal_keys_allowed_ = false;
  std::vector<IndexProblem> problems_;
};

}  // namespace

std::vector<IndexProblem> VerifyIndex(cBusinessBasic& engine, const LogicalFileArg& index) {
  std::shared_ptr<cLogicalFile> file = index.file();
  if (index.is_name()) {
    file = engine.LogicalOpen(index.name());
    if (!file) throw EngineError(kErrUndefined, "LogicalOpen", "File not Found: \"" + index.name() + "\"");
  }
  if (!file) throw EngineError(kErrUndefined, "VerifyIndex", "LogicalFile parameter is undefined");
  return Verifier(engine, *file).Run();
}

}  // namespace tervalo
