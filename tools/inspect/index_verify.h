#pragma once
// Checks that an index file is a sound B+-tree and names the block and fault of each problem.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/business_basic.h"

namespace tervalo {

struct IndexProblem {
  int32_t block;  // the block where the fault was found (0 = header)
  std::string fault;
  bool warning = false;  // suspicious but not damage: the index stays usable
};

// Header fields consistent (entry length, entries per block, root, duplicate-keys flag), counts
// within a block, keys ascending across all leaves (strictly, unless the header allows equal
// keys), every inner key equal to its child's last key, no block named twice, leaf links visiting
// every leaf in order, all leaves at one depth of at most 7, the sentinel last. Reads each block
// once through the engine. A leaf entry pointing at record 0 is only a warning: keyed access
// reads it as "no more entries", yet the tree around it is sound. A list without faults (empty,
// or warnings only) means the index is sound. A name that does not open raises -10 "File not
// Found: " as the engine's operations do; a failing read raises its error.
std::vector<IndexProblem> VerifyIndex(cBusinessBasic& engine, const LogicalFileArg& index);

}  // namespace tervalo
