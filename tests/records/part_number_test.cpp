// Part numbers taken apart around their separators and put together again.

#include "records/part_number.h"

#include <gtest/gtest.h>

#include <string>

#include "environment/shared_instances.h"

namespace tervalo {
namespace {

struct SplitCase {
  const char* written;
  const char* number;
  const char* codes;
  bool fits;  // fewer than four separators
};

TEST(PartNumberTest, SplitKeepsTheNumberAndCodesTheSeparatorPositions) {
  const SplitCase cases[] = {
      {" AB-123-X ", "AB123X", "37", true},
      {"AB123X", "AB123X", "", true},
      {"754-04060", "75404060", "4", true},
      {"A B", "AB", "2", true},    // an inner space is a separator
      {"ab-1", "1", "123", true},  // lower-case letters are separators too
      {"A-B-C-D", "ABCD", "246", true},
      {"A-B-C-D-E", "ABCDE", "2468", false},  // four separators: too many for the record
      {"X#Y_Z", "XYZ", "24", true},           // characters outside the alphabet
      {"1/2.5,3", "1/2.5,3", "", true},       // slash, full stop and comma belong to numbers
      {"", "", "", true},
      {"   ", "", "", true},
      // Positions past 21 have no code; the separator is dropped without a trace.
      {"ABCDEFGHIJKLMNOPQRSTU-W", "ABCDEFGHIJKLMNOPQRSTUW", "", true},
      {"ABCDEFGHIJKLMNOPQRST-V", "ABCDEFGHIJKLMNOPQRSTV", "L", true},
      {"A\xE9Z", "AZ", "2", true},
  };
  for (const auto& c : cases) {
    std::string number = c.written;
    std::string codes = "stale";
    EXPECT_EQ(SplitPartNumber(number, codes), c.fits) << c.written;
    EXPECT_EQ(number, c.number) << c.written;
    EXPECT_EQ(codes, c.codes) << c.written;
  }
}

struct InsertCase {
  const char* number;
  const char* codes;
  const char* written;
};

TEST(PartNumberTest, InsertDashesCountsPositionsInTheResult) {
  const InsertCase cases[] = {
      {"AB123X", "37", "AB-123-X"},
      {"AB123X", "37 ", "AB-123-X"},
      {"AB123X", "", "AB123X"},
      {"AB123X", "   ", "AB123X"},
      {"AB123X", "3 7", "AB-123-X"},  // a space before the last code is skipped
      {"AB", "1", "-AB"},
      {"AB", "5", "AB-"},           // past the end: the dash goes at the end
      {"AB123X", "JKL", "AB123X"},  // positions 19 to 21 are not put back
      {"ABCDEFGHIJKLMNOPQ", "I", "ABCDEFGHIJKLMNOPQ-"},
      {"AB123X", "a7", "AB123X-"},  // codes are upper case only
      {"", "1", "-"},
  };
  for (const auto& c : cases) {
    std::string number = c.number;
    InsertDashes(number, c.codes);
    EXPECT_EQ(number, c.written) << c.number << " with codes \"" << c.codes << '"';
  }
}

TEST(PartNumberTest, SplitThenInsertGivesTheNumberBackWithDashes) {
  for (const char* written : {"AB-123-X", "754-04060", "RC-12YC", "ab-1", "A B"}) {
    std::string number = written;
    std::string codes;
    SplitPartNumber(number, codes);
    InsertDashes(number, codes);
    std::string expected = written;
    for (char& c : expected) {
      if (!gCharTable.Contains(c) || gCharTable.IndexOf(c) == 0) c = '-';
    }
    EXPECT_EQ(number, expected) << written;
  }
}

}  // namespace
}  // namespace tervalo
