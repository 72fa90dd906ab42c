// The POSIX TZ string that makes glibc keep the time a Windows record describes.
//
// Example: Pacific Standard Time, Bias 480, DaylightBias -60, DaylightDate the
// 2nd Sunday of March 2:00, StandardDate the 1st Sunday of November 2:00,
// becomes "<-08>8<-07>7,M3.2.0,M11.1.0": the names have spaces, which a TZ
// string cannot carry, so numeric names are made from the offsets, as tzdata
// names zones that have no customary abbreviation.
#pragma once

#include <optional>
#include <string>

#include "platform/win32_types.h"

namespace talvane::tz {

// nullopt for a record no TZ string can express: an offset of 25 hours or
// more, a date or time out of range, or a daylight date without a standard one.
// An absolute date (wYear != 0) is written as that day of every year; a TZ
// string has no one-off changes. Times are rounded to the second.
std::optional<std::string> PosixTzFromRecord(const win::TIME_ZONE_INFORMATION& tzi);

}  // namespace talvane::tz
