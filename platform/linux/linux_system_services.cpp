#include "platform/linux/linux_system_services.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstring>

#include "platform/linux/ansi_code_page.h"
#include "platform/linux/exit_restore.h"

namespace platform::linux_tz {

LinuxSystemServices::LinuxSystemServices(SystemPaths paths, UtcClock clock, const ZoneKeyLog* zones)
    : store_(std::move(paths), std::move(clock), zones), policy_(store_) {}

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

win::DWORD LinuxSystemServices::GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* out) {
  return policy_.Get(out);
}

win::BOOL LinuxSystemServices::SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) {
  return policy_.Set(tzi);
}

int LinuxSystemServices::MultiByteToWideChar(win::UINT code_page, win::DWORD, const char* in,
                                             int in_size, win::WCHAR* out, int out_size) {
  if (code_page != win::CP_ACP) return 0;
  return AnsiToWide(in, in_size, out, out_size);
}

void LinuxSystemServices::RtlMoveMemory(void* to, const void* from, std::size_t length) {
  std::memmove(to, from, length);
}

}  // namespace platform::linux_tz

namespace platform {

std::unique_ptr<SystemServices> MakeSystemServices(const SystemPaths& paths) {
  auto services = std::make_unique<linux_tz::LinuxSystemServices>(paths, linux_tz::SystemUtcClock(),
                                                                  &linux_tz::ProcessZoneKeyLog());
  linux_tz::InstallRestoreOnExit();
  services->RecoverUnfinishedPreview();
  return services;
}

}  // namespace platform
