#include "tools/share_builders/index_builder.h"

#include <algorithm>
#include <stdexcept>

#include "engine/file_format.h"
#include "tools/share_builders/data_file_builder.h"

namespace tervalo::share {
namespace {

struct Node {
  std::vector<std::pair<std::string, int32_t>> entries;
  int32_t block = 0;
};

std::string NodeBytes(const Node& node, int32_t link) {
  std::string bytes = C2(static_cast<int32_t>(node.entries.size())) + C2(link);
  for (const auto& [key, pointer] : node.entries) bytes += key + L4(pointer);
  bytes.resize(kBlockSize, '\0');
  return bytes;
}

// Cuts entries into nodes of at most `per_node` entries.
std::vector<Node> Chunk(const std::vector<std::pair<std::string, int32_t>>& entries, size_t per_node) {
  std::vector<Node> nodes;
  for (size_t i = 0; i < entries.size(); i += per_node) {
    Node node;
    node.entries.assign(entries.begin() + static_cast<std::ptrdiff_t>(i),
                        entries.begin() + static_cast<std::ptrdiff_t>(std::min(entries.size(), i + per_node)));
    nodes.push_back(std::move(node));
  }
  // A last node of one entry takes one over from the node before it, as a tree grown by
  // insertions would have it.
  if (nodes.size() > 1 && nodes.back().entries.size() == 1) {
    auto& previous = nodes[nodes.size() - 2].entries;
    nodes.back().entries.insert(nodes.back().entries.begin(), previous.back());
    previous.pop_back();
  }
  return nodes;
}

}  // namespace

std::vector<std::string> BuildIndexBlocks(const IndexShape& shape, const IndexEntries& entries) {
  const int32_t entry_length = shape.key_length + 4;
  if (shape.key_length < 1 || entry_length > 508) throw std::invalid_argument("bad key length");
  const int32_t per_block = 508 / entry_length;
  const auto per_node = static_cast<size_t>(std::max(2, per_block * std::clamp(shape.fill_percent, 1, 100) / 100));

  std::vector<std::pair<std::string, int32_t>> leaf_entries;
  for (const auto& [key, record] : entries) {
    if (static_cast<int32_t>(key.size()) != shape.key_length) throw std::invalid_argument("key of wrong length");
    leaf_entries.emplace_back(key, record);
  }
  leaf_entries.emplace_back(std::string(static_cast<size_t>(shape.key_length), '\xFF'), -1);

  // Levels from the leaves up; block numbers are given root first, then level by level.
  std::vector<std::vector<Node>> levels{Chunk(leaf_entries, per_node)};
  while (levels.back().size() > 1) {
    std::vector<std::pair<std::string, int32_t>> parents;
    for (size_t i = 0; i < levels.back().size(); ++i) parents.emplace_back(levels.back()[i].entries.back().first, 0);
    levels.push_back(Chunk(parents, per_node));
  }
  if (levels.size() > 7) throw std::invalid_argument("index deeper than 7 levels");
  int32_t next_block = 1;
  for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
    for (Node& node : *level) node.block = next_block++;
  }
  // Block numbers are two-byte fields, and 65535 is the last leaf's link.
  if (next_block - 1 > 0xFFFE) throw std::invalid_argument("index of more than 65534 blocks");
  // Inner entries point at their children, in order.
  for (size_t l = 1; l < levels.size(); ++l) {
    size_t child = 0;
    for (Node& node : levels[l]) {
      for (auto& entry : node.entries) entry.second = levels[l - 1][child++].block;
    }
  }

  std::vector<std::string> blocks(static_cast<size_t>(next_block));
  std::string header = C2(entry_length) + C2(per_block) + C2(next_block - 1) + C2(2) + C2(1) +
                       C2(shape.fill_percent / 100 * per_block) + C2(shape.duplicate_keys ? 0xFFFF : 0) + C2(0);
  header.resize(kBlockSize, '\0');
  blocks[0] = header;
  for (size_t l = 0; l < levels.size(); ++l) {
    const auto& nodes = levels[l];
    for (size_t i = 0; i < nodes.size(); ++i) {
      const int32_t link = l > 0 ? 0 : (i + 1 < nodes.size() ? nodes[i + 1].block : 0xFFFF);
      blocks[static_cast<size_t>(nodes[i].block)] = NodeBytes(nodes[i], link);
    }
  }
  return blocks;
}

void AddIndex(DataFileBuilder& data, const std::string& name, const IndexShape& shape,
              const IndexEntries& entries) {
  const auto blocks = BuildIndexBlocks(shape, entries);
  data.Add({name, 'I', static_cast<int32_t>(kBlockSize), static_cast<int32_t>(blocks.size()) - 1});
  for (size_t b = 0; b < blocks.size(); ++b) data.SetBlock(name, static_cast<int32_t>(b), blocks[b]);
}

}  // namespace tervalo::share
