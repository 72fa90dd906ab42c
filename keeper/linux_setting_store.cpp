#include "keeper/linux_setting_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "keeper/protocol/keeper_protocol.h"
#include "platform/linux/tz/civil_time.h"
#include "platform/linux/tz/tz_string.h"
#include "platform/linux/tz/tzif_writer.h"
#include "platform/linux/tz/zone_year.h"

namespace keeper {
namespace {

namespace fs = std::filesystem;

win::TIME_ZONE_INFORMATION Utc() {
  win::TIME_ZONE_INFORMATION utc{};
  std::memcpy(utc.StandardName, u"UTC", sizeof u"UTC");
  std::memcpy(utc.DaylightName, u"UTC", sizeof u"UTC");
  return utc;
}

// Below `root` and not `root` itself, both canonical.
bool IsBelow(const fs::path& path, const fs::path& root) {
  const auto [in_root, in_path] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return in_root == root.end() && in_path != path.end();
}

}  // namespace

LinuxSettingStore::LinuxSettingStore(platform::SystemPaths paths, talvane::tz::UtcClock clock)
    : paths_(std::move(paths)),
      clock_(std::move(clock)),
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

bool LinuxSettingStore::IsOwnRecord(const std::string& zone,
                                    const win::TIME_ZONE_INFORMATION& tzi) const {
  if (!IsZoneName(zone)) return false;
  std::error_code ec;
  const fs::path root = fs::canonical(paths_.zoneinfo_dir, ec);
  const fs::path file = ec ? fs::path() : fs::canonical(root / zone, ec);
  if (ec || !IsBelow(file, root) || !fs::is_regular_file(file, ec)) return false;
  const std::optional<talvane::tz::Tzif> zone_file = talvane::tz::ReadTzifFile(file);
  if (!zone_file) return false;
  const std::optional<talvane::tz::ZoneYear> year =
      talvane::tz::ZoneRecordForYear(*zone_file, static_cast<int>(talvane::tz::YearOf(clock_())));
  if (!year) return false;
  const win::TIME_ZONE_INFORMATION own = talvane::tz::PreviewRecordOf(year->record);
  return std::memcmp(&own, &tzi, sizeof tzi) == 0;
}

bool LinuxSettingStore::Apply(const win::TIME_ZONE_INFORMATION& tzi) {
  const std::optional<std::string> zone = std::exchange(zone_, std::nullopt);
  Replacement localtime;
  std::optional<Replacement> timezone;
  if (zone) {
    if (!IsOwnRecord(*zone, tzi)) return false;
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

}  // namespace keeper
