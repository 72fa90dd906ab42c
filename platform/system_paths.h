// Where the platform layer finds the time-zone database and the system's
// time-zone setting. The program always uses the defaults, the database's
// as the build was configured (TALVANE_ZONEINFO_DIR); tests point the layer
// at a temporary tree.
#pragma once

#include <filesystem>

namespace platform {

struct SystemPaths {
  std::filesystem::path zoneinfo_dir = TALVANE_ZONEINFO_DIR;
  std::filesystem::path localtime = "/etc/localtime";
  // The zone's name, where the system keeps it (Debian does).
  std::filesystem::path timezone = "/etc/timezone";
};

}  // namespace platform
