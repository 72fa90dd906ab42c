// A zone's yearly rule in the form Windows keeps it: the registry's TZI value
// plus the standard and daylight names.
#pragma once

#include <string>

#include "platform/win32_types.h"

namespace talvane::tz {

struct ZoneRecord {
  win::REG_TZI_FORMAT tzi{};
  std::string std_name;
  std::string dlt_name;
};

// The record as GetTimeZoneInformation returns it. Names are ASCII (TZif
// abbreviations are), widened unit by unit and cut to the 31 characters that
// fit before the terminating NUL.
win::TIME_ZONE_INFORMATION ToTimeZoneInformation(const ZoneRecord& record);

// The record a preview builds from the zone's values: a zone without daylight
// time carries its standard name twice and no daylight bias.
win::TIME_ZONE_INFORMATION PreviewRecordOf(const ZoneRecord& record);

}  // namespace talvane::tz
