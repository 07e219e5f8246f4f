#include "tools/index_verify.h"

#include <algorithm>
#include <set>

#include "engine/basic_text.h"
#include "engine/business_basic.h"

namespace tervalo {
namespace {

constexpr int kMaxDepth = 7;
constexpr int32_t kLastLeafLink = 65535;

struct Node {
  int32_t block = 0;
  int32_t count = 0;
  int32_t link = 0;
  std::vector<std::string> keys;
  std::vector<int32_t> pointers;  // as stored (-1 stays -1)
};

bool Less(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}

class Verifier {
 public:
  Verifier(cBusinessBasic& engine, const std::shared_ptr<cLogicalFile>& index)
      : engine_(engine), index_(index) {}

  std::vector<IndexProblem> Run() {
    const std::string header = Read(0);
    entry_length_ = engine_.Unpack("C", header, 1);
    const int32_t per_block = engine_.Unpack("C", header, 3);
    const int32_t root = engine_.Unpack("C", header, 9);
    if (entry_length_ < 5 || entry_length_ > 508) {
      Problem(0, "entry length " + std::to_string(entry_length_) + " is not between 5 and 508");
      return problems_;
    }
    if (per_block != 508 / entry_length_) {
      Problem(0, "entries per block is " + std::to_string(per_block) + ", not " +
                     std::to_string(508 / entry_length_) + " for entry length " + std::to_string(entry_length_));
    }
    if (!InFile(root)) {
      Problem(0, "root block " + std::to_string(root) + " lies outside the file (LastRec " +
                     std::to_string(index_->LastRecord) + ")");
      return problems_;
    }
    Walk(root);
    return problems_;
  }

 private:
  bool InFile(int32_t block) const { return block >= 1 && block <= index_->LastRecord; }

  std::string Read(int32_t block) {
    std::string bytes(512, '\0');
    engine_.ReadBytes(index_->OpenFile, (static_cast<int64_t>(index_->Position) + block) * 512,
                      bytes.data(), bytes.size(), "verify");
    return bytes;
  }

  void Problem(int32_t block, std::string fault) { problems_.push_back({block, std::move(fault)}); }

  // Reads a node; false when its count does not fit the block.
  bool ReadNode(int32_t block, Node& node) {
    const std::string bytes = Read(block);
    node.block = block;
    node.count = engine_.Unpack("C", bytes, 1);
    node.link = engine_.Unpack("C", bytes, 3);
    if (4 + static_cast<int64_t>(node.count) * entry_length_ > 512) {
      Problem(block, "holds " + std::to_string(node.count) + " entries, more than a block holds");
      return false;
    }
    if (node.count == 0) Problem(block, "holds no entries");
    const size_t k = static_cast<size_t>(entry_length_ - 4);
    for (int32_t i = 0; i < node.count; ++i) {
      const size_t at = 4 + static_cast<size_t>(i) * static_cast<size_t>(entry_length_);
      node.keys.push_back(bytes.substr(at, k));
      node.pointers.push_back(engine_.Unpack("L", bytes, static_cast<int32_t>(at + k + 1)));
    }
    for (size_t i = 1; i < node.keys.size(); ++i) {
      if (Less(node.keys[i], node.keys[i - 1])) {
        Problem(block, "key " + std::to_string(i + 1) + " is lower than the key before it");
      }
    }
    return true;
  }

  // Level by level from the root: inner keys against their children, depth, and the leaves.
  void Walk(int32_t root) {
    std::vector<int32_t> level{root};
    std::set<int32_t> seen{root};
    for (int depth = 1; !level.empty(); ++depth) {
      if (depth > kMaxDepth) {
        Problem(level.front(), "lies at depth " + std::to_string(depth) + ", deeper than 7 levels");
        return;
      }
      std::vector<Node> nodes;
      for (int32_t block : level) {
        Node node;
        if (ReadNode(block, node)) nodes.push_back(std::move(node));
      }
      const bool leaves = std::any_of(nodes.begin(), nodes.end(), [](const Node& n) { return n.link != 0; });
      if (leaves) {
        for (const Node& n : nodes) {
          if (n.link == 0) Problem(n.block, "is an inner node at the depth of the leaves (" + std::to_string(depth) + ")");
        }
        CheckLeaves(nodes);
        return;
      }
      level = Children(nodes, seen);
    }
  }

  std::vector<int32_t> Children(const std::vector<Node>& nodes, std::set<int32_t>& seen) {
    std::vector<int32_t> children;
    for (const Node& n : nodes) {
      for (size_t i = 0; i < n.keys.size(); ++i) {
        const int32_t child = n.pointers[i];
        if (!InFile(child)) {
          Problem(n.block, "entry " + std::to_string(i + 1) + " points at block " + std::to_string(child) +
                               ", outside the file (LastRec " + std::to_string(index_->LastRecord) + ")");
          continue;
        }
        if (!seen.insert(child).second) {
          Problem(n.block, "entry " + std::to_string(i + 1) + " points at block " + std::to_string(child) +
                               ", which another entry already names");
          continue;
        }
        Node last;
        if (ReadNode(child, last) && (last.keys.empty() || last.keys.back() != n.keys[i])) {
          Problem(n.block, "key of entry " + std::to_string(i + 1) + " (" + HexBytes(n.keys[i]) +
                               ") is not the last key of its child " + std::to_string(child));
        }
        children.push_back(child);
      }
    }
    return children;
  }

  void CheckLeaves(const std::vector<Node>& leaves) {
    for (size_t i = 0; i < leaves.size(); ++i) {
      const int32_t expected = i + 1 < leaves.size() ? leaves[i + 1].block : kLastLeafLink;
      if (leaves[i].link != expected) {
        Problem(leaves[i].block, "links to " + std::to_string(leaves[i].link) + " instead of " +
                                     (expected == kLastLeafLink ? std::string("65535 (the last leaf)")
                                                                : "the next leaf " + std::to_string(expected)));
      }
      if (i > 0 && !leaves[i].keys.empty() && !leaves[i - 1].keys.empty() &&
          Less(leaves[i].keys.front(), leaves[i - 1].keys.back())) {
        Problem(leaves[i].block, "begins with a key lower than the end of the leaf before it");
      }
    }
    if (leaves.empty() || leaves.back().keys.empty()) return;
    const Node& last = leaves.back();
    const std::string sentinel(static_cast<size_t>(entry_length_ - 4), '\xFF');
    if (last.keys.back() != sentinel || last.pointers.back() != -1) {
      Problem(last.block, "does not end with the sentinel entry (all-FF key, pointer -1)");
    }
  }

  cBusinessBasic& engine_;
  std::shared_ptr<cLogicalFile> index_;
  int32_t entry_length_ = 0;
  std::vector<IndexProblem> problems_;
};

}  // namespace

std::vector<IndexProblem> VerifyIndex(cBusinessBasic& engine, const std::shared_ptr<cLogicalFile>& index) {
  return Verifier(engine, index).Run();
}

}  // namespace tervalo
