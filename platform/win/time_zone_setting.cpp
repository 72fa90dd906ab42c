#include "platform/win/time_zone_setting.h"

#include <cstring>
#include <utility>

namespace platform::win32 {
namespace {

// What a preview set, told by its rules. Only the numbers: that no one else
// has set a zone of other rules is what counts, and a way back never taken
// for want of an exact match would leave the preview in place for good.
bool SameRules(const win::TIME_ZONE_INFORMATION& a, const win::TIME_ZONE_INFORMATION& b) {
  return a.Bias == b.Bias && a.StandardBias == b.StandardBias && a.DaylightBias == b.DaylightBias &&
         std::memcmp(&a.StandardDate, &b.StandardDate, sizeof a.StandardDate) == 0 &&
         std::memcmp(&a.DaylightDate, &b.DaylightDate, sizeof a.DaylightDate) == 0;
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

bool WindowsSettingStore::Apply(const win::TIME_ZONE_INFORMATION& tzi) {
  // Under the lock nothing of the program's has changed the setting since it
  // was read; without a read, the setting in force is the way back.
  if (!read_) {
    win::TIME_ZONE_INFORMATION now{};
    if (Read(&now) == win::TIME_ZONE_ID_INVALID) return false;
  }
  WayBackRecord record = *read_;
  record.applied = tzi;
  if (!ways_.Save(record)) return false;
  api_.EnableTimeZonePrivilege();
  if (api_.SetTimeZoneInformation(&tzi) == 0) {
    ways_.Remove();
    return false;
  }
  api_.AnnounceChange();
  way_back_ = record;
  read_.reset();
  return true;
}

bool WindowsSettingStore::TakeWayBack(const WayBackRecord& record) {
  win::TIME_ZONE_INFORMATION now{};
  if (api_.GetTimeZoneInformation(&now) == win::TIME_ZONE_ID_INVALID) return false;
  // Someone has set another zone since: theirs stays.
  if (SameRules(now, record.applied)) {
    api_.EnableTimeZonePrivilege();
    const bool back = record.has_dynamic != 0 && api_.HasDynamicTimeZones()
                          ? api_.SetDynamicTimeZoneInformation(&record.saved_dynamic) != 0
                          : api_.SetTimeZoneInformation(&record.saved) != 0;
    if (!back) return false;
    api_.AnnounceChange();
  }
  ways_.Remove();
  return true;
}

bool WindowsSettingStore::TakeWayBack() {
  if (!way_back_) return true;
  if (!TakeWayBack(*way_back_)) return false;
  way_back_.reset();
  return true;
}

bool WindowsSettingStore::RecoverUnfinished() {
  if (way_back_) return TakeWayBack();
  const std::optional<WayBackRecord> left = ways_.Load();
  return !left || TakeWayBack(*left);
}

}  // namespace platform::win32
