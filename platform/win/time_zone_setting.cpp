#include "platform/win/time_zone_setting.h"

#include <cstring>
#include <utility>

namespace platform::win32 {

std::optional<WindowsSettingStore::Saved> WindowsSettingStore::ReadNow(
    win::TIME_ZONE_INFORMATION* tzi, win::DWORD* id) {
  *id = api_.GetTimeZoneInformation(tzi);
  if (*id == win::TIME_ZONE_ID_INVALID) return std::nullopt;
  Saved saved{*tzi, std::nullopt};
  if (api_.HasDynamicTimeZones()) {
    DynamicTimeZoneInformation dynamic{};
    // Read the same way, the two records agree unless the setting changed in
    // between; then the dynamic one is not the setting the caller holds.
    if (api_.GetDynamicTimeZoneInformation(&dynamic) != win::TIME_ZONE_ID_INVALID &&
        std::memcmp(&dynamic.tzi, tzi, sizeof *tzi) == 0) {
      saved.dynamic = dynamic;
    }
  }
  return saved;
}

win::DWORD WindowsSettingStore::Read(win::TIME_ZONE_INFORMATION* tzi) {
  win::DWORD id = win::TIME_ZONE_ID_INVALID;
  read_ = ReadNow(tzi, &id);
  return id;
}

bool WindowsSettingStore::Apply(const win::TIME_ZONE_INFORMATION& tzi) {
  // Under the lock nothing of the program's has changed the setting since it
  // was read; without a read, the setting in force is the way back.
  if (!read_) {
    win::TIME_ZONE_INFORMATION now{};
    win::DWORD id = 0;
    read_ = ReadNow(&now, &id);
    if (!read_) return false;
  }
  api_.EnableTimeZonePrivilege();
  if (api_.SetTimeZoneInformation(&tzi) == 0) return false;
  way_back_ = std::exchange(read_, std::nullopt);
  return true;
}

bool WindowsSettingStore::TakeWayBack() {
  if (!way_back_) return true;
  api_.EnableTimeZonePrivilege();
  const bool back = way_back_->dynamic && api_.HasDynamicTimeZones()
                        ? api_.SetDynamicTimeZoneInformation(&*way_back_->dynamic) != 0
                        : api_.SetTimeZoneInformation(&way_back_->tzi) != 0;
  if (back) way_back_.reset();
  return back;
}

}  // namespace platform::win32
