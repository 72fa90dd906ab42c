#include "platform/win/time_zone_setting.h"

#include <cstring>
#include <string_view>

namespace platform::win32 {
namespace {

template <std::size_t N>
std::u16string_view Text(const win::WCHAR (&text)[N]) {
  std::size_t length = 0;
  while (length < N && text[length] != u'\0') ++length;
  return {text, length};
}

// One setting, told by its rules, its names and its key name: a user who
// picks another zone of the same rules has still chosen another zone.
bool SameSetting(const DynamicTimeZoneInformation& a, const DynamicTimeZoneInformation& b) {
  return a.tzi.Bias == b.tzi.Bias && a.tzi.StandardBias == b.tzi.StandardBias &&
         a.tzi.DaylightBias == b.tzi.DaylightBias &&
         std::memcmp(&a.tzi.StandardDate, &b.tzi.StandardDate, sizeof a.tzi.StandardDate) == 0 &&
         std::memcmp(&a.tzi.DaylightDate, &b.tzi.DaylightDate, sizeof a.tzi.DaylightDate) == 0 &&
         Text(a.tzi.StandardName) == Text(b.tzi.StandardName) &&
         Text(a.tzi.DaylightName) == Text(b.tzi.DaylightName) &&
         Text(a.TimeZoneKeyName) == Text(b.TimeZoneKeyName);
}

}  // namespace

win::DWORD WindowsSettingStore::Read(win::TIME_ZONE_INFORMATION* tzi) {
  read_.reset();
  const win::DWORD id = api_.GetTimeZoneInformation(tzi);
  if (id == win::TIME_ZONE_ID_INVALID) return id;
  WayBackRecord saved{};
  saved.saved = *tzi;
  if (api_.HasDynamicTimeZones()) {
    // Read the same way, the two records agree unless the setting changed in
    // between; then the dynamic one is not the setting the caller holds.
    if (api_.GetDynamicTimeZoneInformation(&saved.saved_dynamic) != win::TIME_ZONE_ID_INVALID &&
        std::memcmp(&saved.saved_dynamic.tzi, tzi, sizeof *tzi) == 0) {
      saved.has_dynamic = 1;
    }
  }
  read_ = saved;
  return id;
}

std::optional<DynamicTimeZoneInformation> WindowsSettingStore::Current() {
  DynamicTimeZoneInformation now{};
  if (api_.GetTimeZoneInformation(&now.tzi) == win::TIME_ZONE_ID_INVALID) return std::nullopt;
  if (!api_.HasDynamicTimeZones()) return now;
  DynamicTimeZoneInformation dynamic{};
  if (api_.GetDynamicTimeZoneInformation(&dynamic) == win::TIME_ZONE_ID_INVALID ||
      std::memcmp(&dynamic.tzi, &now.tzi, sizeof now.tzi) != 0) {
    return std::nullopt;
  }
  std::memcpy(now.TimeZoneKeyName, dynamic.TimeZoneKeyName, sizeof now.TimeZoneKeyName);
  return now;
}

bool WindowsSettingStore::Apply(const win::TIME_ZONE_INFORMATION& tzi) {
  // Under the lock nothing of the program's has changed the setting since it
  // was read; without a read, the setting in force is the way back.
  if (!read_) {
    win::TIME_ZONE_INFORMATION now{};
    if (Read(&now) == win::TIME_ZONE_ID_INVALID) return false;
  }
  WayBackRecord record = *read_;
  record.applied = {};
  record.applied.tzi = tzi;
  api_.EnableTimeZonePrivilege();
  if (!ways_.Save(record) || api_.SetTimeZoneInformation(&tzi) == 0) {
    // Nothing has changed. A way back that won't go stays armed, to be
    // dropped before the next preview.
    if (!ways_.Remove()) way_back_ = record;
    return false;
  }
  api_.AnnounceChange();
  read_.reset();
  way_back_ = record;
  // Windows may name the setting otherwise than it was given; what it
  // reports is what a restore will find.
  if (const std::optional<DynamicTimeZoneInformation> now = Current()) {
    way_back_->applied = *now;
    if (ways_.Save(*way_back_)) return true;
  }
  // Without it this preview's setting could not be told from someone
  // else's: it ends here, unless it can't be taken back.
  return !TakeArmedWayBack();
}

bool WindowsSettingStore::TakeWayBack(const WayBackRecord& record) {
  const std::optional<DynamicTimeZoneInformation> now = Current();
  if (!now) return false;
  // Someone has set another zone since: theirs stays.
  if (SameSetting(*now, record.applied)) {
    api_.EnableTimeZonePrivilege();
    const bool back = record.has_dynamic != 0 && api_.HasDynamicTimeZones()
                          ? api_.SetDynamicTimeZoneInformation(&record.saved_dynamic) != 0
                          : api_.SetTimeZoneInformation(&record.saved) != 0;
    if (!back) return false;
    api_.AnnounceChange();
  }
  // The setting on disk before its way back goes: a power loss in between
  // would otherwise bring back the preview with nothing to undo it.
  return api_.FlushSetting() && ways_.Remove();
}

bool WindowsSettingStore::TakeArmedWayBack() {
  if (!way_back_) return true;
  if (!TakeWayBack(*way_back_)) return false;
  way_back_.reset();
  return true;
}

bool WindowsSettingStore::RollBack() {
  if (way_back_) return TakeArmedWayBack();
  const std::optional<WayBackRecord> left = ways_.Load();
  if (!left || TakeWayBack(*left)) return true;
  // Windows drops the log-on run as it starts it: armed again, the next
  // log-on tries again.
  ways_.Save(*left);
  return false;
}

}  // namespace platform::win32
