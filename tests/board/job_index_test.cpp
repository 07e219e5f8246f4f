// Where a job number's entry lies in FILE0's job index.

#include <gtest/gtest.h>

#include "board/job_index.h"

namespace tervalo {
namespace {

TEST(JobIndexTest, PlacesJobNumbersInTheirBlocksAndSlots) {
  struct Case {
    int32_t job;
    bool placed;
    int32_t block;
    int32_t slot;
  } cases[] = {
      {1, true, 451, 1},      {127, true, 451, 127},   {128, true, 452, 0},
      {999, true, 458, 103},  {1000, true, 501, 104},  {1126, true, 501, 102},
      {1127, true, 502, 103}, {10086, true, 571, 102}, {10087, false, 0, 0},
      {0, false, 0, 0},       {-3, false, 0, 0},
  };
  for (const auto& c : cases) {
    int32_t block = 0, slot = 0;
    EXPECT_EQ(JobIndexPlace(c.job, block, slot), c.placed) << c.job;
    if (c.placed) {
      EXPECT_EQ(block, c.block) << c.job;
      EXPECT_EQ(slot, c.slot) << c.job;
    }
  }
}

}  // namespace
}  // namespace tervalo
