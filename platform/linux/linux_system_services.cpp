#include "platform/linux/linux_system_services.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstring>

#include "platform/linux/ansi_code_page.h"
#include "platform/linux/setting_rights.h"
#include "platform/linux/tz/civil_time.h"
#include "platform/linux/tz/tz_string.h"
#include "platform/linux/tz/tzif_writer.h"
#include "platform/linux/tz/zone_year.h"

namespace platform::linux_tz {
namespace {

std::string KeyOf(const win::TIME_ZONE_INFORMATION& tzi) {
  return std::string(reinterpret_cast<const char*>(&tzi), sizeof tzi);
}

win::TIME_ZONE_INFORMATION Utc() {
  win::TIME_ZONE_INFORMATION utc{};
  std::memcpy(utc.StandardName, u"UTC", sizeof u"UTC");
  std::memcpy(utc.DaylightName, u"UTC", sizeof u"UTC");
  return utc;
}

}  // namespace

LinuxSystemServices::LinuxSystemServices(SystemPaths paths, UtcClock clock)
    : paths_(std::move(paths)), clock_(std::move(clock)) {}

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
  std::optional<SettingSnapshot> setting = ReadSetting(paths_.localtime);
  if (!setting) return win::TIME_ZONE_ID_INVALID;
  win::TIME_ZONE_INFORMATION record = Utc();
  win::DWORD id = win::TIME_ZONE_ID_UNKNOWN;
  if (setting->kind != SettingSnapshot::Kind::kAbsent) {
    const std::int64_t now = clock_();
    std::optional<talvane::tz::Tzif> zone = talvane::tz::ReadTzif(setting->bytes);
    if (!zone) return win::TIME_ZONE_ID_INVALID;
    std::optional<talvane::tz::ZoneYear> year =
        talvane::tz::ZoneRecordForYear(*zone, static_cast<int>(talvane::tz::YearOf(now)));
    if (!year) return win::TIME_ZONE_ID_INVALID;
    record = talvane::tz::ToTimeZoneInformation(year->record);
    id = talvane::tz::CurrentZoneId(*zone, now);
  }
  read_settings_.insert_or_assign(KeyOf(record), std::move(*setting));
  *out = record;
  return id;
}

win::BOOL LinuxSystemServices::SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) {
  if (tzi == nullptr || !MayReplaceSetting(paths_.localtime)) return 0;
  auto read = read_settings_.find(KeyOf(*tzi));
  if (read != read_settings_.end()) return RestoreSetting(paths_.localtime, read->second) ? 1 : 0;
  std::optional<std::string> tz = talvane::tz::PosixTzFromRecord(*tzi);
  if (!tz) return 0;
  std::optional<std::vector<std::uint8_t>> file = talvane::tz::MakeFooterOnlyTzif(*tz);
  return file && WriteSetting(paths_.localtime, *file) ? 1 : 0;
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
  return std::make_unique<linux_tz::LinuxSystemServices>(paths, linux_tz::SystemUtcClock());
}

}  // namespace platform
