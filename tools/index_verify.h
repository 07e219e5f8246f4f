#pragma once
// Checks that an index file is a sound B+-tree and names the block and fault of each problem.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tervalo {

class cBusinessBasic;
struct cLogicalFile;

struct IndexProblem {
  int32_t block;  // the block where the fault was found (0 = header)
  std::string fault;
};

// Header fields consistent, counts within a block, keys ascending across all leaves, every inner
// key equal to its child's last key, leaf links visiting every leaf in order, all leaves at one
// depth of at most 7, the sentinel last. An empty list means the index is sound.
std::vector<IndexProblem> VerifyIndex(cBusinessBasic& engine, const std::shared_ptr<cLogicalFile>& index);

}  // namespace tervalo
