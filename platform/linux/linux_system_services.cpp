#include "platform/linux/linux_system_services.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstring>

#include "platform/linux/ansi_code_page.h"

namespace platform::linux_tz {

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
  if (out == nullptr) return win::TIME_ZONE_ID_INVALID;
  const auto reply = keeper_.Call({.kind = keeper::MessageKind::kRead, .record = {}, .zone = {}});
  if (!reply || reply->status != keeper::Status::kOk) return win::TIME_ZONE_ID_INVALID;
  *out = reply->record;
  return reply->zone_id;
}

win::BOOL LinuxSystemServices::SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) {
  if (tzi == nullptr) return 0;
  keeper::Request request{.kind = keeper::MessageKind::kSet, .record = *tzi, .zone = {}};
  if (zones_ != nullptr) request.zone = zones_->Take(*tzi).value_or("");
  const auto reply = keeper_.Call(request);
  return reply && reply->status == keeper::Status::kOk ? 1 : 0;
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

std::unique_ptr<SystemServices> MakeSystemServices(const SystemPaths&) {
  return std::make_unique<linux_tz::LinuxSystemServices>(linux_tz::ProcessKeeper(),
                                                         &linux_tz::ProcessZoneKeyLog());
}

}  // namespace platform
