#include "platform/win/broadcasting_time_zone_api.h"

// After the platform headers: see native.h.
#include "platform/win/native.h"

namespace platform::win32 {
namespace {

// Each window gets this long to answer; one that hangs is skipped at once
// (SMTO_ABORTIFHUNG), so no window can hold the preview up.
constexpr UINT kAnswerTimeoutMs = 1000;

}  // namespace

win::BOOL BroadcastingTimeZoneApi::Announced(win::BOOL result) {
  if (result == 0) return result;
  for (const UINT message : {WM_SETTINGCHANGE, WM_TIMECHANGE}) {
    send_(FromNative(HWND_BROADCAST), message, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs);
  }
  return result;
}

win::BOOL BroadcastingTimeZoneApi::SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) {
  return Announced(system_.SetTimeZoneInformation(tzi));
}

win::BOOL BroadcastingTimeZoneApi::SetDynamicTimeZoneInformation(
    const DynamicTimeZoneInformation* dtzi) {
  return Announced(system_.SetDynamicTimeZoneInformation(dtzi));
}

win::DWORD BroadcastingTimeZoneApi::GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* tzi) {
  return system_.GetTimeZoneInformation(tzi);
}

bool BroadcastingTimeZoneApi::HasDynamicTimeZones() { return system_.HasDynamicTimeZones(); }

win::DWORD BroadcastingTimeZoneApi::GetDynamicTimeZoneInformation(
    DynamicTimeZoneInformation* dtzi) {
  return system_.GetDynamicTimeZoneInformation(dtzi);
}

bool BroadcastingTimeZoneApi::EnableTimeZonePrivilege() {
  return system_.EnableTimeZonePrivilege();
}

bool BroadcastingTimeZoneApi::TryLockPreview() { return system_.TryLockPreview(); }

void BroadcastingTimeZoneApi::UnlockPreview() { system_.UnlockPreview(); }

}  // namespace platform::win32
