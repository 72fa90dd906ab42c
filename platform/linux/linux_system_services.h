// Version and time-zone services over the host's own system.
#pragma once

#include "platform/linux/linux_setting_store.h"
#include "platform/preview_policy.h"
#include "platform/system_services.h"

namespace platform::linux_tz {

class LinuxSystemServices final : public SystemServices {
 public:
  // `zones`: what the registry handed out, so that a zone's own record
  // applies that zone; may be null.
  LinuxSystemServices(SystemPaths paths, UtcClock clock, const ZoneKeyLog* zones = nullptr);

  // Reports the NT family, with the kernel's release numbers as the version.
  win::BOOL GetVersionExA(win::OSVERSIONINFOA* lpVersionInformation) override;
  // The system setting's rule for the current year, under the preview rules
  // (see PreviewPolicy and LinuxSettingStore).
  win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) override;
  win::BOOL SetTimeZoneInformation(
      const win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) override;
  int MultiByteToWideChar(win::UINT CodePage, win::DWORD dwFlags, const char* lpMultiByteStr,
                          int cbMultiByte, win::WCHAR* lpWideCharStr, int cchWideChar) override;
  void RtlMoveMemory(void* Destination, const void* Source, std::size_t Length) override;

  // Puts back the setting of a preview that never ended, if no other process
  // is previewing now.
  void RecoverUnfinishedPreview() { policy_.RecoverUnfinished(); }

 private:
  LinuxSettingStore store_;
  PreviewPolicy policy_;
};

}  // namespace platform::linux_tz
