#include "platform/win/time_zone_setting.h"

#include <cstring>

namespace platform::win32 {

void TimeZoneSetting::Unlock() {
  if (!locked_) return;
  api_.UnlockPreview();
  locked_ = false;
}

win::DWORD TimeZoneSetting::Get(win::TIME_ZONE_INFORMATION* tzi) {
  // Held until the preview that reads this puts it back, or fails to start.
  if (!locked_ && !api_.TryLockPreview()) return win::TIME_ZONE_ID_INVALID;
  locked_ = true;
  const win::DWORD result = api_.GetTimeZoneInformation(tzi);
  if (result == win::TIME_ZONE_ID_INVALID) {
    if (!changed_) Unlock();
    return result;
  }
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
  const bool restoring = read_ && std::memcmp(&*read_, tzi, sizeof *tzi) == 0;
  if (!locked_ && !(locked_ = api_.TryLockPreview())) return 0;
  api_.EnableTimeZonePrivilege();
  win::BOOL result;
  if (restoring && read_dynamic_ && api_.HasDynamicTimeZones()) {
    result = api_.SetDynamicTimeZoneInformation(&*read_dynamic_);
  } else {
    result = api_.SetTimeZoneInformation(tzi);
  }
  if (result != 0) changed_ = !restoring;
  // Once the setting is back, or a new one failed to start a preview, others
  // may preview.
  if (!changed_) Unlock();
  return result;
}

void TimeZoneSetting::RestoreIfChanged() {
  if (changed_ && read_) {
    const win::TIME_ZONE_INFORMATION saved = *read_;
    Set(&saved);
  }
}

}  // namespace platform::win32
