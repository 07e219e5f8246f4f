#pragma once
// The job index in FILE0 (job number -> INVOL record number) and what the board reads back out of
// a row's job text.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tervalo {

class cBusinessBasic;

// Blocks 451-458 (job numbers below 1000) and 501-571 (1000 and up), 128 "L" entries each.
inline constexpr int32_t kLowIndexFirstBlock = 451;
inline constexpr int32_t kLowIndexBlocks = 8;
inline constexpr int32_t kHighIndexFirstBlock = 501;
inline constexpr int32_t kHighIndexBlocks = 71;
inline constexpr int32_t kEntriesPerIndexBlock = 128;

// Block and slot of job number n; false when n has no place in the index.
bool JobIndexPlace(int32_t job_number, int32_t& block, int32_t& slot);

// A snapshot of the whole job index, read in two reads (one per run of blocks). Bytes beyond the
// end of a short FILE0 count as empty entries.
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
    {int64_t{kLowIndexFirstBlock} * 512, int64_t{kLowIndexBlocks} * 512},
    {int64_t{kHighIndexFirstBlock} * 512, int64_t{kHighIndexBlocks} * 512},
}};

// Splits a job text at line feeds.
std::vector<std::string> SplitLines(std::string_view text);
std::string JoinLines(const std::vector<std::string>& lines);

// The job number of a job text: the value of the 4 characters just before the first line feed
// (a fifth digit in front of them belongs to the number too). 0 when there is no line feed.
int32_t GetJobNumber(std::string_view job_text);
// The reference number: the value of characters 6 to 12.
int32_t ReferenceNumberOf(std::string_view job_text);
// The request number a tall row shows: the value of characters 5-6 of its sixth line; 0 when the
// text has fewer lines.
int32_t RequestNumberOf(std::string_view job_text);
// A job is finished when its third line contains "Complete" or "Billed".
bool IsFinished(std::string_view job_text);

}  // namespace tervalo
