#pragma once
// FixedPoint: a decimal with four decimal places held as a signed 64-bit count of
// ten-thousandths. Record fields store money in hundredths and quantities in tenths; both
// convert into this type exactly, and back with halves rounded to the even neighbour.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tervalo {

class FixedPoint {
 public:
  static constexpr int64_t kOne = 10000;  // ten-thousandths per unit
  // Units of the stored integers.
  static constexpr int32_t kHundredths = 100;
  static constexpr int32_t kTenths = 10;

  constexpr FixedPoint() = default;

  static constexpr FixedPoint FromTenThousandths(int64_t count) { return FixedPoint(count); }
  // An integer of stored units (kHundredths or kTenths per whole) as its exact value.
  static constexpr FixedPoint FromStored(int32_t stored, int32_t units_per_one) {
    return FixedPoint(static_cast<int64_t>(stored) * (kOne / units_per_one));
  }
  static constexpr FixedPoint FromWhole(int32_t whole) { return FromStored(whole, 1); }
  // Decimal text such as "-12.5" or "150.25": an optional sign, digits, at most four decimals.
  // None for anything else or a value beyond the 64-bit range.
  static std::optional<FixedPoint> Parse(std::string_view text);

  constexpr int64_t TenThousandths() const { return count_; }

  // The value in stored units (kHundredths or kTenths per whole), rounded to a whole number
  // with halves going to the even neighbour; none when that does not fit a 32-bit integer.
  std::optional<int32_t> ToStored(int32_t units_per_one) const;

  // Sum and difference; none on 64-bit overflow.
  std::optional<FixedPoint> Plus(FixedPoint other) const;
  std::optional<FixedPoint> Minus(FixedPoint other) const;

  // Shortest decimal text: "150.25", "12.5", "-0.0001", "100".
  std::string ToString() const;

  friend constexpr auto operator<=>(FixedPoint, FixedPoint) = default;

 private:
  constexpr explicit FixedPoint(int64_t count) : count_(count) {}

  int64_t count_ = 0;
};

// count / divisor rounded to the nearest whole number, halves to the even one.
// REQUIRES: divisor > 0.
int64_t DivideRoundingHalfToEven(int64_t count, int64_t divisor);

}  // namespace tervalo
