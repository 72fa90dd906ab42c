// A zone's record for one calendar year, worked out from its TZif data.
//
// The year is always the caller's: nothing here reads the clock. "The year"
// runs from January 1 00:00 UTC to the next January 1 00:00 UTC, the same
// boundaries glibc uses when it applies a TZ string's rule.
//
// Which changes count: only changes of UTC offset. A change of abbreviation or
// of the isdst flag alone cannot be written into a Windows record, so it does
// not start or end daylight time; the year is then reported as kNameChange.
//
// How a year with exactly two offset changes that return to the starting
// offset becomes a record: of the two local time types, the one flagged isdst is
// daylight time (if both or neither are, the one further east is). Nothing
// else is assumed, so a negative saving stays negative (Europe/Dublin: standard
// IST +01, daylight GMT +00, DaylightBias +60) and a saving other than an hour
// stays as it is (Australia/Lord_Howe DaylightBias -30).
//
// Dates are in Windows' day-of-week-in-month form and give the wall-clock time
// in force just before the change, so a footer's "M3.5.0/-1" (America/Nuuk)
// becomes the last Saturday of March at 23:00.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/win32_types.h"
#include "tz/tzif_reader.h"
#include "tz/zone_record.h"

namespace talvane::tz {

// How well one yearly rule describes the year.
enum class Fit {
  kExact,            // the record gives every instant of the year its offset and name
  kOffsetChange,     // the offset at the end of the year differs from the start
  kTooManyChanges,   // more than two changes of offset
  kNameChange,       // the abbreviation or isdst changes where the offset does not
  kSubMinuteOffset,  // an offset in force is not a whole number of minutes
};

std::string_view FitName(Fit fit);

struct ZoneYear {
  ZoneRecord record;
  Fit fit = Fit::kExact;
  int offset_changes = 0;  // in the year
};

// Years a SYSTEMTIME can hold.
inline constexpr int kMinYear = 1601;
inline constexpr int kMaxYear = 30827;

// nullopt only for a year outside kMinYear..kMaxYear. When no single rule fits
// the year, the record is the zone's current rule (its footer) for that year,
// or failing that the local time at the end of the year without daylight time.
std::optional<ZoneYear> ZoneRecordForYear(const Tzif& zone, int year);

// Windows' TIME_ZONE_ID_* for UTC instant `t`: UNKNOWN when the zone keeps no
// daylight time in t's year, otherwise STANDARD or DAYLIGHT.
win::DWORD CurrentZoneId(const Tzif& zone, std::int64_t t);

}  // namespace talvane::tz
