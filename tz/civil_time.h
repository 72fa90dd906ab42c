// Proleptic Gregorian calendar arithmetic on day and second counts from the
// Unix epoch. Everything here is pure: no clock and no time zone is consulted.
#pragma once

#include <cstdint>

namespace talvane::tz {

inline constexpr std::int64_t kSecondsPerDay = 86400;

struct CivilDay {
  std::int64_t year;
  int month;  // 1..12
  int day;    // 1..31
};

struct CivilSecond {
  CivilDay date;
  int hour;    // 0..23
  int minute;  // 0..59
  int second;  // 0..59
};

// Division that rounds toward negative infinity, so that instants before the
// epoch still land in the right day.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

bool IsLeapYear(std::int64_t year);
int DaysInMonth(std::int64_t year, int month);

// Days from 1970-01-01 to the given date; month and day must be valid.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);
CivilDay CivilFromDays(std::int64_t days);

// 0 = Sunday .. 6 = Saturday, as Windows and POSIX both count.
int WeekdayFromDays(std::int64_t days);

// Seconds from the epoch to 00:00:00 on January 1 of `year`.
std::int64_t YearStart(std::int64_t year);

// The year in which the given second falls.
std::int64_t YearOf(std::int64_t seconds);

CivilSecond CivilFromSeconds(std::int64_t seconds);

}  // namespace talvane::tz
