#include "records/fixed_point.h"

#include <limits>

namespace tervalo {

int64_t DivideRoundingHalfToEven(int64_t count, int64_t divisor) {
  // C++ division truncates toward zero; the remainder carries the sign of count.
  int64_t quotient = count / divisor;
  const int64_t remainder = count % divisor;
  const int64_t away = count < 0 ? -1 : 1;
  // Compare 2|r| with the divisor without overflow: |r| < divisor <= INT64_MAX.
  const int64_t magnitude = remainder < 0 ? -remainder : remainder;
  const int64_t rest = divisor - magnitude;
  if (magnitude > rest || (magnitude == rest && quotient % 2 != 0)) quotient += away;
  return quotient;
}

std::optional<FixedPoint> FixedPoint::Parse(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if ((whole.empty() && fraction.empty()) || fraction.size() > 4) return std::nullopt;
  if (point != std::string_view::npos && fraction.empty()) return std::nullopt;

  // Accumulated as a negative number so that the lowest value still fits.
  int64_t count = 0;
  constexpr int64_t kLowest = std::numeric_limits<int64_t>::min();
  auto append_digit = [&count](char c) {
    if (c < '0' || c > '9') return false;
    const int digit = c - '0';
    if (count < (kLowest + digit) / 10) return false;
    count = count * 10 - digit;
    return true;
  };
  for (char c : whole) {
    if (!append_digit(c)) return std::nullopt;
  }
  for (char c : fraction) {
    if (!append_digit(c)) return std::nullopt;
  }
  for (size_t i = fraction.size(); i < 4; ++i) {
    if (!append_digit('0')) return std::nullopt;
  }
  if (!negative) {
    if (count == kLowest) return std::nullopt;
    count = -count;
  }
  return FixedPoint(count);
}

std::optional<int32_t> FixedPoint::ToStored(int32_t units_per_one) const {
  const int64_t stored = DivideRoundingHalfToEven(count_, kOne / units_per_one);
  if (stored < std::numeric_limits<int32_t>::min() ||
      stored > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(stored);
}

std::optional<FixedPoint> FixedPoint::Plus(FixedPoint other) const {
  int64_t sum = 0;
  if (__builtin_add_overflow(count_, other.count_, &sum)) return std::nullopt;
  return FixedPoint(sum);
}

std::optional<FixedPoint> FixedPoint::Minus(FixedPoint other) const {
  int64_t difference = 0;
  if (__builtin_sub_overflow(count_, other.count_, &difference)) return std::nullopt;
  return FixedPoint(difference);
}

std::string FixedPoint::ToString() const {
  // Work on the magnitude as unsigned so that the lowest value has one too.
  const bool negative = count_ < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(count_) : static_cast<uint64_t>(count_);
  std::string text = std::to_string(magnitude / kOne);
  uint64_t fraction = magnitude % kOne;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, 4 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return negative ? "-" + text : text;
}

}  // namespace tervalo
