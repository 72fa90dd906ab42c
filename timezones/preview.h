// Previewing one time zone: switch the system to it while a message is open,
// then put back the setting that was in force before.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/system_services.h"
#include "platform/toolkit.h"

namespace timezones {

inline constexpr char kChangedMessage[] = "Time Zone Changed, Click OK to restore";
inline constexpr char kGetErrorMessage[] = "Error getting original TimeZone Info";
inline constexpr char kSetErrorMessage[] = "Error setting new TimeZone Info";
inline constexpr char kRestoreErrorMessage[] = "Could not restore the original TimeZone Info";

// Previews the zone selected in the window's list, a subkey of
// TimeZonesKeyPath. Zones whose values can't be read are skipped silently.
void PreviewSelectedTimeZone(platform::Registry& registry, platform::SystemServices& system,
                             platform::FormWindow& window, const std::string& TimeZonesKeyPath);

}  // namespace timezones
