#pragma once
// Every data and index file is read and written in blocks of this many bytes, and its logical
// files start at block boundaries.

#include <cstddef>
#include <cstdint>

namespace tervalo {

inline constexpr size_t kBlockSize = 512;

// The 0-based file offset of block n.
constexpr int64_t BlockOffset(int64_t block) { return block * static_cast<int64_t>(kBlockSize); }

}  // namespace tervalo
