#pragma once

#include <filesystem>

namespace platform::linux_tz {

// Whether this process may replace the system time-zone setting at `setting`:
// the setting is replaced by renaming a new file over it, which needs write
// and search rights on its directory (checked for the effective user).
bool MayReplaceSetting(const std::filesystem::path& setting);

}  // namespace platform::linux_tz
