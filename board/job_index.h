#pragma once
// The job index in FILE0 (job number -> INVOL record number).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/file_format.h"
#include "records/file0_layout.h"

namespace tervalo {

class cBusinessBasic;

using file0::JobIndexPlace;

// A snapshot of the whole job index, read in one read of FILE0 from its first index block to its
// last (the blocks between the two runs come along: one read costs less than two on a file
// server). Bytes beyond the end of a short FILE0 count as empty entries. Inside a read scope
// FILE0 is held whole (engine HoldFile), so that the names and settings read in the same refresh
// cost nothing more.
class JobIndex {
 public:
  static JobIndex Load(cBusinessBasic& engine);

  // The INVOL record number of a job; 0 when the job has no entry.
  int32_t RecordNumber(int32_t job_number) const;
  // Every entry in index order (blocks 451-458, then 501-571; slots 0-127), as stored.
  const std::vector<int32_t>& Entries() const { return entries_; }
  // The index's blocks as read (bytes past the end of FILE0 as zeros), to tell later whether
  // jobs came or went; and the path of the FILE0 they came from.
  const std::string& Bytes() const { return bytes_; }
  const std::string& Path() const { return path_; }

 private:
  std::vector<int32_t> entries_;  // kLowIndexBlocks + kHighIndexBlocks blocks of 128
  std::string bytes_;
  std::string path_;
};

// The (offset, length) of the two runs of index blocks in FILE0.
inline constexpr std::array<std::pair<int64_t, int64_t>, 2> kJobIndexRanges{{
    {BlockOffset(file0::kLowIndexFirstBlock), BlockOffset(file0::kLowIndexBlocks)},
    {BlockOffset(file0::kHighIndexFirstBlock), BlockOffset(file0::kHighIndexBlocks)},
}};
// The bytes of FILE0 that hold both runs, read at once: (offset, length).
inline constexpr std::pair<int64_t, int64_t> kJobIndexSpan{
    BlockOffset(file0::kLowIndexFirstBlock),
    BlockOffset(file0::kHighIndexFirstBlock + file0::kHighIndexBlocks - file0::kLowIndexFirstBlock)};
// The two runs, one after the other, out of the bytes of kJobIndexSpan.
std::string JobIndexRuns(std::string_view span);

}  // namespace tervalo
