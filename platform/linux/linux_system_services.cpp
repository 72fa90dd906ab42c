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
    : paths_(std::move(paths)), clock_(std::move(clock)), journal_(paths_.localtime) {}

void LinuxSystemServices::RecoverUnfinishedPreview() {
  if (!MayReplaceSetting(paths_.localtime) || !journal_.Lock()) return;
  journal_.RecoverUnfinished();
  journal_.Unlock();
}

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
  // Held until the preview that reads this puts it back, or fails to start.
  if (!journal_.Lock()) return win::TIME_ZONE_ID_INVALID;
  journal_.RecoverUnfinished();
  std::optional<SettingSnapshot> setting = ReadSetting(paths_.localtime);
  if (!setting) {
    if (!journal_.prepared()) journal_.Unlock();
    return win::TIME_ZONE_ID_INVALID;
  }
  win::TIME_ZONE_INFORMATION record = Utc();
  win::DWORD id = win::TIME_ZONE_ID_UNKNOWN;
  if (setting->kind != SettingSnapshot::Kind::kAbsent) {
    const std::int64_t now = clock_();
    std::optional<talvane::tz::Tzif> zone = talvane::tz::ReadTzif(setting->bytes);
    std::optional<talvane::tz::ZoneYear> year;
    if (zone)
      year = talvane::tz::ZoneRecordForYear(*zone, static_cast<int>(talvane::tz::YearOf(now)));
    if (!year) {
      if (!journal_.prepared()) journal_.Unlock();
      return win::TIME_ZONE_ID_INVALID;
    }
    record = talvane::tz::ToTimeZoneInformation(year->record);
    id = talvane::tz::CurrentZoneId(*zone, now);
  }
  read_settings_.insert_or_assign(KeyOf(record), std::move(*setting));
  *out = record;
  return id;
}

win::BOOL LinuxSystemServices::SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) {
  if (tzi == nullptr) return 0;
  auto read = read_settings_.find(KeyOf(*tzi));
  if (read != read_settings_.end()) {
    if (!MayReplaceSetting(paths_.localtime) || !journal_.Lock()) return 0;
    const bool restored =
        journal_.prepared() ? journal_.Restore() : RestoreSetting(paths_.localtime, read->second);
    // A way back not yet taken stays armed, so the exit path still tries it.
    if (restored) journal_.Unlock();
    return restored ? 1 : 0;
  }
  const bool fresh = !journal_.prepared();
  auto fail = [&] {
    if (fresh) {
      journal_.Discard();
      journal_.Unlock();
    }
    return win::BOOL{0};
  };
  if (!MayReplaceSetting(paths_.localtime) || !journal_.Lock()) return fail();
  std::optional<std::string> tz = talvane::tz::PosixTzFromRecord(*tzi);
  std::optional<std::vector<std::uint8_t>> file;
  if (tz) file = talvane::tz::MakeFooterOnlyTzif(*tz);
  if (!file) return fail();
  if (fresh) {
    std::optional<SettingSnapshot> current = ReadSetting(paths_.localtime);
    if (!current || !journal_.Prepare(*current)) return fail();
  }
  return WriteSetting(paths_.localtime, *file) ? 1 : fail();
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
  auto services =
      std::make_unique<linux_tz::LinuxSystemServices>(paths, linux_tz::SystemUtcClock());
  linux_tz::InstallRestoreOnExit();
  services->RecoverUnfinishedPreview();
  return services;
}

}  // namespace platform
