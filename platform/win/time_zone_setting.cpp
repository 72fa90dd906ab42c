#include "platform/win/time_zone_setting.h"

#include <cstring>

namespace platform::win32 {

win::DWORD TimeZoneSetting::Get(win::TIME_ZONE_INFORMATION* tzi) {
  const win::DWORD result = api_.GetTimeZoneInformation(tzi);
  if (result == win::TIME_ZONE_ID_INVALID) return result;
  read_ = *tzi;
  read_dynamic_.reset();
  if (api_.HasDynamicTimeZones()) {
    DynamicTimeZoneInformation dynamic{};
    // Read the same way, the two records agree unless the setting changed in
    // between; then the dynamic one is not the setting the caller holds.
    if (api_.GetDynamicTimeZoneInformation(&dynamic) != win::TIME_ZONE_ID_INVALID &&
        std::memcmp(&dynamic.tzi, tzi, sizeof *tzi) == 0) {
      read_dynamic_ = dynamic;
    }
  }
  return result;
}

win::BOOL TimeZoneSetting::Set(const win::TIME_ZONE_INFORMATION* tzi) {
  api_.EnableTimeZonePrivilege();
  const bool restoring = read_ && std::memcmp(&*read_, tzi, sizeof *tzi) == 0;
  win::BOOL result;
  if (restoring && read_dynamic_ && api_.HasDynamicTimeZones()) {
    result = api_.SetDynamicTimeZoneInformation(&*read_dynamic_);
  } else {
    result = api_.SetTimeZoneInformation(tzi);
  }
  if (result != 0) changed_ = !restoring;
  return result;
}

void TimeZoneSetting::RestoreIfChanged() {
  if (changed_ && read_) {
    const win::TIME_ZONE_INFORMATION saved = *read_;
    Set(&saved);
  }
}

}  // namespace platform::win32
