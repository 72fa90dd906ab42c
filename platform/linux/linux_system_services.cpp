#include "platform/linux/linux_system_services.h"

#include <sys/utsname.h>

#include <cstdio>

namespace platform::linux_tz {

LinuxSystemServices::LinuxSystemServices(SystemPaths paths) : paths_(std::move(paths)) {}

win::BOOL LinuxSystemServices::GetVersionExA(win::OSVERSIONINFOA* info) {
  // 156 is the size of the extended record, whose head is the plain one.
  if (info == nullptr || (info->dwOSVersionInfoSize != sizeof(win::OSVERSIONINFOA) &&
                          info->dwOSVersionInfoSize != 156)) {
    return 0;
  }
  unsigned major = 0, minor = 0, patch = 0;
  utsname names{};
  if (uname(&names) == 0) std::sscanf(names.release, "%u.%u.%u", &major, &minor, &patch);
  info->dwMajorVersion = major;
  info->dwMinorVersion = minor;
  info->dwBuildNumber = patch;
  info->dwPlatformId = win::VER_PLATFORM_WIN32_NT;
  info->szCSDVersion[0] = '\0';
  return 1;
}

}  // namespace platform::linux_tz

namespace platform {

std::unique_ptr<SystemServices> MakeSystemServices(const SystemPaths& paths) {
  return std::make_unique<linux_tz::LinuxSystemServices>(paths);
}

}  // namespace platform
