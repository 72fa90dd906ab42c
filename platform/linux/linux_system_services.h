// Version and time-zone services over the host's own system.
#pragma once

#include <map>
#include <string>

#include "platform/linux/preview_journal.h"
#include "platform/linux/system_setting.h"
#include "platform/linux/utc_clock.h"
#include "platform/system_services.h"

namespace platform::linux_tz {

class LinuxSystemServices final : public SystemServices {
 public:
  LinuxSystemServices(SystemPaths paths, UtcClock clock);

  // Reports the NT family, with the kernel's release numbers as the version.
  win::BOOL GetVersionExA(win::OSVERSIONINFOA* lpVersionInformation) override;
  // The system setting's rule for the current year. No setting means UTC.
  // While another process previews a zone the setting is not its own, so it
  // is reported as unreadable (TIME_ZONE_ID_INVALID).
  win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) override;
  // A record equal to one that GetTimeZoneInformation returned puts back the
  // setting exactly as it was then read; any other becomes a file whose TZ
  // string keeps the record's times, after the way back has been saved.
  win::BOOL SetTimeZoneInformation(
      const win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) override;
  int MultiByteToWideChar(win::UINT CodePage, win::DWORD dwFlags, const char* lpMultiByteStr,
                          int cbMultiByte, win::WCHAR* lpWideCharStr, int cchWideChar) override;
  void RtlMoveMemory(void* Destination, const void* Source, std::size_t Length) override;

  // Puts back the setting of a preview that never ended, if no other process
  // is previewing now.
  void RecoverUnfinishedPreview();

 private:
  SystemPaths paths_;
  UtcClock clock_;
  // Each record handed out, with the setting it was read from.
  std::map<std::string, SettingSnapshot> read_settings_;
  PreviewJournal journal_;
};

}  // namespace platform::linux_tz
