#include "keeper/linux_setting_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "tz/civil_time.h"
#include "tz/tz_string.h"
#include "tz/tzif_reader.h"
#include "tz/tzif_writer.h"
#include "tz/zone_names.h"
#include "tz/zone_year.h"

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

bool IsListed(const std::vector<std::string>& names, const std::string& zone) {
  const auto it =
      std::lower_bound(names.begin(), names.end(), zone, talvane::tz::RegistryOrderLess);
  return it != names.end() && *it == zone;
}

}  // namespace

LinuxSettingStore::LinuxSettingStore(platform::SystemPaths paths, talvane::tz::UtcClock clock)
    : paths_(std::move(paths)), clock_(std::move(clock)), journal_(paths_) {}

win::DWORD LinuxSettingStore::Read(win::TIME_ZONE_INFORMATION* out) {
  // A link that leads nowhere is a broken setting, not an absent one.
  const Found setting = PresenceOf(paths_.localtime);
  if (setting == Found::kAbsent) {
    *out = Utc();
    return win::TIME_ZONE_ID_UNKNOWN;
  }
  const FileContents contents =
      ReadFileContents(paths_.localtime, talvane::tz::kMaxTzifFileSize, true);
  if (setting == Found::kUnknown || contents.found != Found::kPresent) {
    return win::TIME_ZONE_ID_INVALID;
  }
  const std::int64_t now = clock_();
  std::optional<talvane::tz::Tzif> zone = talvane::tz::ReadTzif(contents.bytes);
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
                                    const win::TIME_ZONE_INFORMATION& tzi) {
  // Only what the window lists is a place: not localtime, posixrules,
  // posix/ or right/, whose files the database's directory holds too.
  if (!listed_) listed_ = talvane::tz::ListZoneNames(paths_.zoneinfo_dir);
  if (!IsListed(*listed_, zone)) return false;
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
  struct stat named;
  const bool has_timezone = lstat(paths_.timezone.c_str(), &named) == 0;
  if (!has_timezone && errno != ENOENT) return false;
  Replacement localtime;
  std::optional<Replacement> timezone;
  if (zone) {
    if (!IsOwnRecord(*zone, tzi)) return false;
    localtime = {.kind = Replacement::Kind::kLink, .link_target = LinkTextFor(*zone), .bytes = {}};
    if (has_timezone) {
      const std::string line = *zone + "\n";
      timezone = Replacement{.kind = Replacement::Kind::kFile,
                             .link_target = {},
                             .bytes = {line.begin(), line.end()},
                             .mode = S_ISREG(named.st_mode) ? named.st_mode & 07777 : 0644};
    }
  } else {
    std::optional<std::string> tz = talvane::tz::PosixTzFromRecord(tzi);
    std::optional<std::vector<std::uint8_t>> file;
    if (tz) file = talvane::tz::MakeFooterOnlyTzif(*tz);
    if (!file) return false;
    localtime = {.kind = Replacement::Kind::kFile, .link_target = {}, .bytes = std::move(*file)};
    if (has_timezone)
      timezone = Replacement{.kind = Replacement::Kind::kNothing, .link_target = {}, .bytes = {}};
  }
  return journal_.Apply(localtime, timezone);
}

}  // namespace keeper
