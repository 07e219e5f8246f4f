#pragma once
// Every byte the board writes into the business system's files: the mechanic byte of an INVOL
// record (the mark), its removal, and the sort order in FILE0. Nothing else of those files is
// written.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/board_state.h"

namespace tervalo {

class cBusinessBasic;
class JobIndex;

// Stores the sort order of the sort-field grid into bytes 25-28 of FILE0 block 499.
void StoreSortOrder(cBusinessBasic& engine, BoardState& board);

// A mechanic byte the board cleared, with the mechanic number it held before.
struct ClearedMark {
  int32_t job_number = 0;
  int32_t record_number = 0;
  int32_t previous = 0;
};

// Clears the mechanic byte of the job of a row sent back to the unassigned grid (with tall rows,
// of the row's request; on a normal row, of `row_record`, the record it stands for, when given), found through `index` (read by the caller once for its whole move).
// Returns the records written, with what their byte held before, so that the move can be undone. With
// `only_from`, a record whose byte names another mechanic than that one (another workstation
// scheduled the job meanwhile) is left as it is and `*left_alone` is set.
std::vector<ClearedMark> RemoveSchedule(cBusinessBasic& engine, const BoardSettings& settings,
                                        const JobIndex& index, const RowJob& job,
                                        std::optional<int32_t> only_from = std::nullopt,
                                        bool* left_alone = nullptr, int32_t row_record = 0);

// Writes the mechanic byte (byte 141) of an INVOL record, and nothing else of it, so that what the
// business system wrote into the record meanwhile stays. Every mark the board writes goes here.
void WriteMark(cBusinessBasic& engine, int32_t record_number, int32_t mechanic_number);
// Marks a job's record for a mechanic after reading it (the read refuses a record past the end).
void MarkJob(cBusinessBasic& engine, int32_t record_number, int32_t mechanic_number);

// What ReplaceMark found in the record.
enum class MarkReplaced {
  kDone,              // written (or it held `value` already)
  kChangedMeanwhile,  // the byte held something else: another workstation marked the job
  kJobGone,           // the record no longer holds the job: deleted, its record freed or reused
};
// Writes `value` into the mechanic byte of a record only while job `job_number` is still in the
// job index (`index`, read just before), the record (read afresh) still holds that job and its byte still holds `expected`, so that neither a mark another
// workstation wrote meanwhile nor a record given to another job since is written over.
MarkReplaced ReplaceMark(cBusinessBasic& engine, const JobIndex& index, int32_t record_number, int32_t job_number,
                         int32_t expected, int32_t value);

}  // namespace tervalo
