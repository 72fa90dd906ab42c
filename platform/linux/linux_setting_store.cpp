#include "platform/linux/linux_setting_store.h"

#include <sys/stat.h>

#include <cstring>

#include "platform/linux/tz/civil_time.h"
#include "platform/linux/tz/tz_string.h"
#include "platform/linux/tz/tzif_writer.h"
#include "platform/linux/tz/zone_year.h"

namespace platform::linux_tz {
namespace {

namespace fs = std::filesystem;

win::TIME_ZONE_INFORMATION Utc() {
  win::TIME_ZONE_INFORMATION utc{};
  std::memcpy(utc.StandardName, u"UTC", sizeof u"UTC");
  std::memcpy(utc.DaylightName, u"UTC", sizeof u"UTC");
  return utc;
}

}  // namespace

LinuxSettingStore::LinuxSettingStore(SystemPaths paths, UtcClock clock, const ZoneKeyLog* zones)
    : paths_(std::move(paths)),
      clock_(std::move(clock)),
      zones_(zones),
      journal_(paths_.localtime, paths_.timezone) {}

win::DWORD LinuxSettingStore::Read(win::TIME_ZONE_INFORMATION* out) {
  std::optional<SettingSnapshot> setting = ReadSetting(paths_.localtime);
  if (!setting) return win::TIME_ZONE_ID_INVALID;
  if (setting->kind == SettingSnapshot::Kind::kAbsent) {
    *out = Utc();
    return win::TIME_ZONE_ID_UNKNOWN;
  }
  const std::int64_t now = clock_();
  std::optional<talvane::tz::Tzif> zone = talvane::tz::ReadTzif(setting->bytes);
  if (!zone) return win::TIME_ZONE_ID_INVALID;
  std::optional<talvane::tz::ZoneYear> year =
      talvane::tz::ZoneRecordForYear(*zone, static_cast<int>(talvane::tz::YearOf(now)));
  if (!year) return win::TIME_ZONE_ID_INVALID;
  *out = talvane::tz::ToTimeZoneInformation(year->record);
  return talvane::tz::CurrentZoneId(*zone, now);
}

std::string LinuxSettingStore::LinkTextFor(const std::string& zone) const {
  const fs::path target = fs::absolute(paths_.zoneinfo_dir / zone);
  std::error_code ec;
  const fs::path current = fs::read_symlink(paths_.localtime, ec);
  if (ec || current.is_absolute()) return target.string();
  return target.lexically_relative(fs::absolute(paths_.localtime).parent_path()).string();
}

bool LinuxSettingStore::Apply(const win::TIME_ZONE_INFORMATION& tzi) {
  const std::optional<std::string> zone = zones_ != nullptr ? zones_->ZoneOf(tzi) : std::nullopt;
  Replacement localtime;
  std::optional<Replacement> timezone;
  if (zone) {
    localtime.link_target = LinkTextFor(*zone);
    struct stat st;
    if (lstat(paths_.timezone.c_str(), &st) == 0) {
      const std::string name = *zone + "\n";
      timezone = Replacement{.link_target = std::nullopt,
                             .bytes = {name.begin(), name.end()},
                             .mode = S_ISREG(st.st_mode) ? st.st_mode & 07777 : 0644};
    }
  } else {
    std::optional<std::string> tz = talvane::tz::PosixTzFromRecord(tzi);
    std::optional<std::vector<std::uint8_t>> file;
    if (tz) file = talvane::tz::MakeFooterOnlyTzif(*tz);
    if (!file) return false;
    localtime.bytes = std::move(*file);
  }
  return journal_.Apply(localtime, timezone);
}

}  // namespace platform::linux_tz
