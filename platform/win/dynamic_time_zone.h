// Windows' DYNAMIC_TIME_ZONE_INFORMATION (Vista and later): a zone's record
// with the name of its key, which carries its year-by-year rules.
#pragma once

#include "platform/win32_types.h"

namespace platform::win32 {

struct DynamicTimeZoneInformation {
  win::TIME_ZONE_INFORMATION tzi;
  win::WCHAR TimeZoneKeyName[128];
  win::BYTE DynamicDaylightTimeDisabled;
};
static_assert(sizeof(DynamicTimeZoneInformation) == 432);

}  // namespace platform::win32
