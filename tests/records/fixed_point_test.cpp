// Fixed-point values: exact conversion from stored hundredths and tenths, rounding of halves to
// the even neighbour on the way back, text, and the limits.

#include "records/fixed_point.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace tervalo {
namespace {

TEST(FixedPointTest, StoredUnitsConvertExactly) {
  EXPECT_EQ(FixedPoint::FromStored(15025, FixedPoint::kHundredths).TenThousandths(), 1502500);
  EXPECT_EQ(FixedPoint::FromStored(125, FixedPoint::kTenths).TenThousandths(), 125000);
  EXPECT_EQ(FixedPoint::FromStored(-1, FixedPoint::kHundredths).TenThousandths(), -100);
  const int32_t lowest = std::numeric_limits<int32_t>::min();
  const int32_t highest = std::numeric_limits<int32_t>::max();
  for (int32_t units : {FixedPoint::kHundredths, FixedPoint::kTenths}) {
    for (int32_t stored : {lowest, -1, 0, 1, 999, highest}) {
      EXPECT_EQ(FixedPoint::FromStored(stored, units).ToStored(units), stored)
          << stored << " in units of 1/" << units;
    }
  }
}

struct RoundingCase {
  const char* value;
  int32_t units;
  int32_t stored;
};

TEST(FixedPointTest, HalvesRoundToEven) {
  const RoundingCase cases[] = {
      {"0.005", 100, 0},      {"0.015", 100, 2},  {"0.025", 100, 2},   {"0.0051", 100, 1},
      {"0.0049", 100, 0},     {"-0.005", 100, 0}, {"-0.015", 100, -2}, {"-0.0051", 100, -1},
      {"150.25", 100, 15025}, {"12.45", 10, 124}, {"12.55", 10, 126},  {"12.5", 10, 125},
      {"-12.45", 10, -124},   {"0.0999", 10, 1},  {"2.5", 1, 2},       {"3.5", 1, 4},
  };
  for (const auto& c : cases) {
    const auto value = FixedPoint::Parse(c.value);
    ASSERT_TRUE(value) << c.value;
    EXPECT_EQ(value->ToStored(c.units), c.stored) << c.value << " in units of 1/" << c.units;
  }
}

TEST(FixedPointTest, StoredValueBeyondThirtyTwoBitsIsRefused) {
  const auto big = FixedPoint::Parse("21474836.48");  // one hundredth past the L range
  ASSERT_TRUE(big);
  EXPECT_FALSE(big->ToStored(FixedPoint::kHundredths));
  EXPECT_EQ(FixedPoint::Parse("-21474836.48")->ToStored(FixedPoint::kHundredths),
            std::numeric_limits<int32_t>::min());
  const auto extreme = FixedPoint::FromTenThousandths(std::numeric_limits<int64_t>::min());
  EXPECT_FALSE(extreme.ToStored(FixedPoint::kTenths));
}

TEST(FixedPointTest, TextBothWays) {
  const std::pair<const char*, const char*> cases[] = {
      {"150.25", "150.25"},
      {"12.50", "12.5"},
      {"-0.0001", "-0.0001"},
      {"100", "100"},
      {"+7.0", "7"},
      {".5", "0.5"},
      {"-0", "0"},
      {"922337203685477.5807", "922337203685477.5807"},
      {"-922337203685477.5808", "-922337203685477.5808"},
  };
  for (const auto& [text, shown] : cases) {
    const auto value = FixedPoint::Parse(text);
    ASSERT_TRUE(value) << text;
    EXPECT_EQ(value->ToString(), shown) << text;
  }
  for (const char* bad : {"", "-", "1.", "1.23456", "12a", "1,5", "922337203685477.5808", " 1"}) {
    EXPECT_FALSE(FixedPoint::Parse(bad)) << '"' << bad << '"';
  }
}

TEST(FixedPointTest, SumsAndDifferencesReportOverflow) {
  const auto a = FixedPoint::Parse("100.00").value();
  const auto b = FixedPoint::Parse("50.25").value();
  EXPECT_EQ(a.Plus(b)->ToString(), "150.25");
  EXPECT_EQ(b.Minus(a)->ToString(), "-49.75");
  const auto top = FixedPoint::FromTenThousandths(std::numeric_limits<int64_t>::max());
  const auto bottom = FixedPoint::FromTenThousandths(std::numeric_limits<int64_t>::min());
  EXPECT_FALSE(top.Plus(FixedPoint::FromTenThousandths(1)));
  EXPECT_FALSE(bottom.Minus(FixedPoint::FromTenThousandths(1)));
  EXPECT_TRUE(bottom.Plus(top));
}

}  // namespace
}  // namespace tervalo
