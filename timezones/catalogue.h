// Reading the list of time zones when the main window loads.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/system_services.h"
#include "platform/toolkit.h"

namespace timezones {

inline constexpr char kNtTimeZonesKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";
inline constexpr char kWindowsTimeZonesKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Time Zones";
inline constexpr char kCouldNotOpenEntry[] = "Could not open registry key";

// Appends the name of every time zone of the registry to the window's list,
// or the single failure entry when the time-zone key can't be opened.
// Returns the key's path under HKEY_LOCAL_MACHINE, which previews open zones
// under.
std::string FillTimeZoneList(platform::Registry& registry, platform::SystemServices& system,
                             platform::FormWindow& window);

}  // namespace timezones
