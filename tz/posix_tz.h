// POSIX TZ strings, as found in the footer of TZif files and in the TZ
// environment variable, with the extension of RFC 9636 section 3.3.1 that
// lets a transition time range over -167..167 hours.
//
//   tz     = std offset [ dst [ offset ] "," date [ "/" time ] "," date [ "/" time ] ]
//   std    = 3*ALPHA / "<" 3*( ALPHA / DIGIT / "+" / "-" ) ">"     (dst likewise)
//   offset = [ "+" / "-" ] hh [ ":" mm [ ":" ss ] ]       hh 0..24, mm and ss 0..59
//   date   = "J" n      n 1..365, February 29 never counted
//          / n          n 0..365, February 29 counted
//          / "M" m "." w "." d      month 1..12, week 1..5 (5 = last), day 0..6 (Sunday = 0)
//   time   = [ "+" / "-" ] hhh [ ":" mm [ ":" ss ] ]     hhh 0..167; default 2:00
//
// The offset is the one to *add* to local time to get UTC, so it is west-positive,
// the opposite of the utoff this library uses. A missing dst offset means one hour
// ahead of standard time. The first date/time starts daylight saving time and is
// expressed in standard local time; the second ends it and is in daylight time.
//
// Worked example, Asia/Jerusalem: "IST-2IDT,M3.4.4/26,M10.5.0"
//   std "IST" at utoff +7200; dst "IDT" at +10800 (the default one hour ahead).
//   DST starts on the 4th Thursday of March at 26:00 IST, which is the Friday
//   after it at 02:00 IST; in 2026 that is 2026-03-27 00:00 UTC.
//   DST ends on the last Sunday of October at 02:00 IDT; in 2026 that is
//   2026-10-25 02:00 IDT = 2026-10-24 23:00 UTC.
//
// A string that names a daylight time but gives no rule is refused: which rule
// then applies is left to each implementation, and guessing would be worse.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "tz/local_time_type.h"

namespace talvane::tz {

struct PosixDate {
  enum class Form {
    kJulianNoLeap,  // Jn
    kDayOfYear,     // n
    kMonthWeekDay,  // Mm.w.d
  };
  Form form = Form::kMonthWeekDay;
  int day = 0;                           // Jn and n forms
  int month = 0, week = 0, weekday = 0;  // Mm.w.d form
  std::int32_t time = 2 * 3600;          // seconds after local midnight, may be negative or > 24 h
};

struct PosixTz {
  LocalTimeType std_type;
  std::optional<LocalTimeType> dst_type;  // set exactly when the rule below applies
  PosixDate dst_start;
  PosixDate dst_end;
};

std::optional<PosixTz> ParsePosixTz(std::string_view text);

// The UTC instants at which `tz`'s rule starts and ends daylight time in `year`.
// Either may fall in the neighbouring year when the time is outside 0..24 h.
// Requires tz.dst_type.
struct DstTransitions {
  std::int64_t start;
  std::int64_t end;
};
DstTransitions DstTransitionsInYear(const PosixTz& tz, std::int64_t year);

// Whether daylight time is in force at the UTC instant `t`. The daylight periods
// of consecutive years are joined, so a rule whose end meets the next start
// (such as "EST5EDT,0/0,J365/25") is daylight time all year, without a change.
bool IsDstAt(const PosixTz& tz, std::int64_t t);

const LocalTimeType& TypeAt(const PosixTz& tz, std::int64_t t);

// The instants in [from, to) at which the local time type changes, ascending.
std::vector<std::int64_t> ChangesBetween(const PosixTz& tz, std::int64_t from, std::int64_t to);

}  // namespace talvane::tz
