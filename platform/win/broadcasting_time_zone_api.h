// The time-zone calls, followed by the news: once the setting has changed,
// every top-level window is told, as the system's own Date and Time settings
// tell them, so that the task-bar clock shows the new time at once.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/win/time_zone_setting.h"

namespace platform::win32 {

// SendMessageTimeoutA (window, message, wParam, lParam, flags, timeout in
// milliseconds), or a stand-in for it.
using SendMessageTimeoutCall =
    std::function<void(win::HWND, win::UINT, std::uintptr_t, std::intptr_t, win::UINT, win::UINT)>;

class BroadcastingTimeZoneApi final : public TimeZoneApi {
 public:
  BroadcastingTimeZoneApi(TimeZoneApi& system, SendMessageTimeoutCall send)
      : system_(system), send_(std::move(send)) {}

  win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* tzi) override;
  win::BOOL SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) override;
  bool HasDynamicTimeZones() override;
  win::DWORD GetDynamicTimeZoneInformation(DynamicTimeZoneInformation* dtzi) override;
  win::BOOL SetDynamicTimeZoneInformation(const DynamicTimeZoneInformation* dtzi) override;
  bool EnableTimeZonePrivilege() override;
  bool TryLockPreview() override;
  void UnlockPreview() override;

 private:
  TimeZoneApi& system_;
  SendMessageTimeoutCall send_;

  // Passes a set call's result on, broadcasting first when it succeeded.
  win::BOOL Announced(win::BOOL result);
};

}  // namespace platform::win32
