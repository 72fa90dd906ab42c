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

bool SameRecord(const win::TIME_ZONE_INFORMATION& a, const win::TIME_ZONE_INFORMATION& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The setting in force as each call reports it: the plain record, with the
// key name and the dynamic-rules switch where the dynamic call answers.
struct Reading {
  DynamicTimeZoneInformation setting{};
  bool dynamic = false;
};

std::optional<Reading> ReadCurrent(TimeZoneApi& api) {
  Reading now;
  if (api.GetTimeZoneInformation(&now.setting.tzi) == win::TIME_ZONE_ID_INVALID)
    return std::nullopt;
  DynamicTimeZoneInformation dynamic{};
  if (api.HasDynamicTimeZones() &&
      api.GetDynamicTimeZoneInformation(&dynamic) != win::TIME_ZONE_ID_INVALID) {
    std::memcpy(now.setting.TimeZoneKeyName, dynamic.TimeZoneKeyName,
                sizeof dynamic.TimeZoneKeyName);
    now.setting.DynamicDaylightTimeDisabled = dynamic.DynamicDaylightTimeDisabled;
    now.dynamic = true;
  }
  return now;
}

// Still the setting the preview applied, told by its rules and its names,
// and where both readings have them by its key name and whether its dynamic
// rules are off: a user who picks another zone of the same rules, or the
// same zone in Date and Time, has made a choice of their own.
bool StillApplied(const Reading& now, const WayBackRecord& record) {
  const win::TIME_ZONE_INFORMATION& a = now.setting.tzi;
  const win::TIME_ZONE_INFORMATION& b = record.applied.tzi;
  return a.Bias == b.Bias && a.StandardBias == b.StandardBias && a.DaylightBias == b.DaylightBias &&
         std::memcmp(&a.StandardDate, &b.StandardDate, sizeof a.StandardDate) == 0 &&
         std::memcmp(&a.DaylightDate, &b.DaylightDate, sizeof a.DaylightDate) == 0 &&
         Text(a.StandardName) == Text(b.StandardName) &&
         Text(a.DaylightName) == Text(b.DaylightName) &&
         (!now.dynamic || record.applied_has_dynamic == 0 ||
          (Text(now.setting.TimeZoneKeyName) == Text(record.applied.TimeZoneKeyName) &&
           now.setting.DynamicDaylightTimeDisabled == record.applied.DynamicDaylightTimeDisabled));
}

}  // namespace

template <typename Call>
bool WindowsSettingStore::Privileged(Call call) {
  api_.EnableTimeZonePrivilege();
  const bool done = call() != 0;
  api_.RestoreTimeZonePrivilege();
  return done;
}

win::DWORD WindowsSettingStore::Read(win::TIME_ZONE_INFORMATION* tzi) {
  read_.reset();
  const win::DWORD id = api_.GetTimeZoneInformation(tzi);
  if (id == win::TIME_ZONE_ID_INVALID) return id;
  WayBackRecord saved{};
  saved.saved = *tzi;
  // The dynamic record goes back as the dynamic call reported it, whatever
  // the plain one says; unless the setting changed between the two reads,
  // which the plain one, read again, tells.
  if (api_.HasDynamicTimeZones() &&
      api_.GetDynamicTimeZoneInformation(&saved.saved_dynamic) != win::TIME_ZONE_ID_INVALID) {
    win::TIME_ZONE_INFORMATION again{};
    saved.has_dynamic =
        api_.GetTimeZoneInformation(&again) != win::TIME_ZONE_ID_INVALID && SameRecord(again, *tzi);
  }
  read_ = saved;
  return id;
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
  if (!ways_.Save(record) || !Privileged([&] { return api_.SetTimeZoneInformation(&tzi); })) {
    // Nothing has changed. A way back that won't go stays armed, to be
    // dropped before the next preview.
    if (!ways_.Remove()) way_back_ = record;
    return false;
  }
  read_.reset();
  way_back_ = record;
  // Windows may name the setting otherwise than it was given; what it
  // reports is what a restore will find.
  if (const std::optional<Reading> now = ReadCurrent(api_)) {
    way_back_->applied = now->setting;
    way_back_->applied_has_dynamic = now->dynamic ? 1 : 0;
    if (ways_.Save(*way_back_)) {
      api_.AnnounceChange();
      return true;
    }
  }
  // Without it this preview's setting could not be told from someone
  // else's: it ends here, unless it can't be taken back.
  if (TakeArmedWayBack()) return false;
  api_.AnnounceChange();
  return true;
}

bool WindowsSettingStore::TakeWayBack(const WayBackRecord& record) {
  const std::optional<Reading> now = ReadCurrent(api_);
  if (!now) return false;
  // Someone has set another zone since: theirs stays.
  const bool ours = StillApplied(*now, record);
  if (ours && !Privileged([&] {
        return record.has_dynamic != 0 && api_.HasDynamicTimeZones()
                   ? api_.SetDynamicTimeZoneInformation(&record.saved_dynamic)
                   : api_.SetTimeZoneInformation(&record.saved);
      })) {
    return false;
  }
  // The setting on disk before its way back goes: a power loss in between
  // would otherwise bring back the preview with nothing to undo it.
  const bool done = api_.FlushSetting() && ways_.Remove();
  if (ours) api_.AnnounceChange();
  return done;
}

bool WindowsSettingStore::TakeArmedWayBack() {
  if (!way_back_) return true;
  if (!TakeWayBack(*way_back_)) return false;
  way_back_.reset();
  return true;
}

bool WindowsSettingStore::RollBack() {
  if (way_back_) return TakeArmedWayBack();
  // Left as it is when it can't be taken: the log-on run that Windows keeps
  // until it succeeds, or the next start, tries again.
  const std::optional<WayBackRecord> left = ways_.Load();
  return !left || TakeWayBack(*left);
}

}  // namespace platform::win32
