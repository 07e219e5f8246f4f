#pragma once
// Where the board's settings, names and job index sit in FILE0: block numbers and 1-based
// positions within a block. The board reads them here; the share builders write them here.

#include <cstdint>

namespace tervalo::file0 {

inline constexpr int32_t kBlocks = 572;  // blocks 0-571

inline constexpr int32_t kTallRowsBlock = 401;  // "Y" at this position: tall rows
inline constexpr int32_t kTallRowsPosition = 317;
inline constexpr int32_t kDeliveryNamesBlock = 402;  // kDeliveryNameLength characters each from position 1
inline constexpr int32_t kDeliveryNameLength = 15;

// Block 450: the eight priority names (10 characters shown) and the five open sub-status names
// (11 characters), each kNameSpacing apart.
inline constexpr int32_t kNamesBlock = 450;
inline constexpr int32_t kPriorityNamesPosition = 300;
inline constexpr int32_t kSubStatusNamesPosition = 421;
inline constexpr int32_t kNameSpacing = 15;
// Where the name of priority p (1-8) begins.
inline constexpr int32_t PriorityNamePosition(int32_t priority) {
  return kPriorityNamesPosition + kNameSpacing * (priority - 1);
}

// Block 499: eight priority colours, 3 bytes each from position 1; the four sort letters.
inline constexpr int32_t kSettingsBlock = 499;
inline constexpr int32_t kSortOrderPosition = 25;

// The job index: blocks 451-458 (job numbers below 1000) and 501-571 (1000 and up), 128 "L"
// entries of 4 bytes each.
inline constexpr int32_t kLowIndexFirstBlock = 451;
inline constexpr int32_t kLowIndexBlocks = 8;
inline constexpr int32_t kHighIndexFirstBlock = 501;
inline constexpr int32_t kHighIndexBlocks = 71;
inline constexpr int32_t kEntriesPerIndexBlock = 128;

// Block and slot of job number n; false when n has no place in the index.
inline bool JobIndexPlace(int32_t job_number, int32_t& block, int32_t& slot) {
  if (job_number < 1) return false;
  block = job_number < 1000 ? kLowIndexFirstBlock + job_number / kEntriesPerIndexBlock
                            : kHighIndexFirstBlock + (job_number - 999) / kEntriesPerIndexBlock;
  slot = job_number % kEntriesPerIndexBlock;
  const bool low = block < kLowIndexFirstBlock + kLowIndexBlocks;
  const bool high = block >= kHighIndexFirstBlock && block < kHighIndexFirstBlock + kHighIndexBlocks;
  return low || high;
}

}  // namespace tervalo::file0
