#include "tz/civil_time.h"

namespace talvane::tz {

bool IsLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(std::int64_t year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The calendar repeats every 400 years (146097 days). Counting years from
// March makes February the last month, so the leap day needs no extra step.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  const std::int64_t y = month <= 2 ? year - 1 : year;
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t year_of_era = y - era * 400;          // 0..399
  const std::int64_t month_from_march = (month + 9) % 12;  // Mar = 0
  const std::int64_t day_of_year = (153 * month_from_march + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;  // 719468 = days from 0000-03-01 to 1970-01-01
}

CivilDay CivilFromDays(std::int64_t days) {
  const std::int64_t z = days + 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t day_of_era = z - era * 146097;  // 0..146096
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t month_from_march = (5 * day_of_year + 2) / 153;
  const int day = static_cast<int>(day_of_year - (153 * month_from_march + 2) / 5 + 1);
  const int month =
      static_cast<int>(month_from_march < 10 ? month_from_march + 3 : month_from_march - 9);
  const std::int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day};
}

int WeekdayFromDays(std::int64_t days) {
  // 1970-01-01 was a Thursday.
  return static_cast<int>(days + 4 - FloorDiv(days + 4, 7) * 7);
}

std::int64_t YearStart(std::int64_t year) { return DaysFromCivil(year, 1, 1) * kSecondsPerDay; }

std::int64_t YearOf(std::int64_t seconds) {
  return CivilFromDays(FloorDiv(seconds, kSecondsPerDay)).year;
}

CivilSecond CivilFromSeconds(std::int64_t seconds) {
  const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const auto in_day = static_cast<int>(seconds - days * kSecondsPerDay);
  return {CivilFromDays(days), in_day / 3600, in_day / 60 % 60, in_day % 60};
}

}  // namespace talvane::tz
