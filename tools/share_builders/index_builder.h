#pragma once
// Bulk-loads B+-tree index files from sorted (key, record number) pairs, laid out as the system
// stores them: header block 0, leaves left to right with their links, inner levels above with
// each child's last key, the sentinel (all-FF key, pointer -1) ending the last leaf.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tervalo::share {

class DataFileBuilder;

struct IndexShape {
  int32_t key_length = 0;
  // Entries per node as a percentage of what a block holds (1-100); lower fills give deeper
  // trees from fewer keys.
  int32_t fill_percent = 100;
  bool duplicate_keys = false;
};

using IndexEntries = std::vector<std::pair<std::string, int32_t>>;

// The index's blocks, block 0 first. REQUIRES: entries sorted by key (unsigned bytes), keys of
// key_length bytes.
std::vector<std::string> BuildIndexBlocks(const IndexShape& shape, const IndexEntries& entries);

// Adds the index as logical file `name` ("I", LastRecord = its highest block) to a data file.
void AddIndex(DataFileBuilder& data, const std::string& name, const IndexShape& shape,
              const IndexEntries& entries);

}  // namespace tervalo::share
