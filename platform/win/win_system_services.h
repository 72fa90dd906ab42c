// Version and time-zone services: the real kernel32 calls.
#pragma once

#include "platform/system_services.h"
#include "platform/win/time_zone_setting.h"

namespace platform::win32 {

class Win32SystemServices final : public SystemServices {
 public:
  Win32SystemServices(TimeZoneApi& api, WayBackStore& ways);
  ~Win32SystemServices() override;

  win::BOOL GetVersionExA(win::OSVERSIONINFOA* lpVersionInformation) override;
  win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) override;
  win::BOOL SetTimeZoneInformation(
      const win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) override;
  int MultiByteToWideChar(win::UINT CodePage, win::DWORD dwFlags, const char* lpMultiByteStr,
                          int cbMultiByte, win::WCHAR* lpWideCharStr, int cchWideChar) override;
  void RtlMoveMemory(void* Destination, const void* Source, std::size_t Length) override;

  // Puts back the setting of a preview whose process died, if no other
  // process is previewing now.
  void RecoverUnfinishedPreview() { setting_.RollBack(); }

 private:
  TimeZoneSetting setting_;
};

// The calls of the running system, the dynamic ones looked up at run time so
// that the program still starts where they are missing.
TimeZoneApi& SystemTimeZoneApi();

}  // namespace platform::win32
