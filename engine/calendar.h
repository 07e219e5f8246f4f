#pragma once
// Dates of the system: a calendar day with an optional time of day. Day numbers count from
// 31 December 1967; 1 January 1968 doubles as the empty date.

#include <chrono>
#include <cstdint>

namespace tervalo {

struct DateTime {
  std::chrono::sys_days day{};
  std::chrono::seconds time_of_day{0};

  static DateTime FromYmd(int year, unsigned month, unsigned day_of_month, int hour = 0,
                          int minute = 0, int second = 0) {
    return {std::chrono::sys_days{std::chrono::year{year} / std::chrono::month{month} /
                                  std::chrono::day{day_of_month}},
            std::chrono::hours{hour} + std::chrono::minutes{minute} + std::chrono::seconds{second}};
  }
  std::chrono::year_month_day Ymd() const { return std::chrono::year_month_day{day}; }
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Day 0 of the system's day numbers.
inline constexpr std::chrono::sys_days kDayNumberEpoch{std::chrono::year{1967} /
                                                       std::chrono::December / 31};
// The empty date, also the result of every date that does not decode.
inline constexpr std::chrono::sys_days kEmptyDate{std::chrono::year{1968} / std::chrono::January / 1};

}  // namespace tervalo
