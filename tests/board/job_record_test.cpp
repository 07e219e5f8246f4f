// The sort key the unassigned grid is sorted on.

#include <gtest/gtest.h>

#include "board/job_record.h"

namespace tervalo {
namespace {

TEST(SortKeyTest, EachLetterOfTheSortOrderAddsItsFieldAndOneSpace) {
  struct Case {
    const char* order;
    int32_t reference;
    int32_t job;
    const char* key;
  } cases[] = {
      {"RPDJ", 42, 7, "0000042 3 12000 0007 "},
      {"JRPD", 42, 7, "0007 0000042 3 12000 "},
      {"DX", 42, 7, "12000 "},
      {"J", 42, 9999, "9999 "},
      {"J", 42, 10001, ":0001 "},  // ':' follows '9': five digits sort after four
      {"J", 42, 10086, ":0086 "},
      {"JR", 5, 7, "0007 0000005 "},
  };
  for (const auto& c : cases) EXPECT_EQ(SortKey(c.order, c.reference, 3, 12000, c.job), c.key) << c.order << " " << c.job;
  EXPECT_LT(SortKey("J", 0, 1, 0, 9999), SortKey("J", 0, 1, 0, 10001));
}

}  // namespace
}  // namespace tervalo
