// Version and time-zone services over the host's own system. The setting is
// read and changed by the keeper, the root program the window talks to.
#pragma once

#include "platform/linux/keeper_connection.h"
#include "platform/linux/zone_key_log.h"
#include "platform/system_services.h"

namespace platform::linux_tz {

class LinuxSystemServices final : public SystemServices {
 public:
  // `zones`: what the registry handed out, so that a zone's own record
  // applies that zone; may be null.
  explicit LinuxSystemServices(KeeperConnection& keeper, ZoneKeyLog* zones = nullptr)
      : keeper_(keeper), zones_(zones) {}

  // Reports the NT family, with the kernel's release numbers as the version.
  win::BOOL GetVersionExA(win::OSVERSIONINFOA* lpVersionInformation) override;
  // The system setting's rule for the current year. While another window
  // previews a zone the setting is not the original, so it is unreadable.
  win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) override;
  // Hands the record to the keeper, which decides: a new setting, or during
  // a preview the record read before it, which puts the setting back.
  win::BOOL SetTimeZoneInformation(
      const win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) override;
  int MultiByteToWideChar(win::UINT CodePage, win::DWORD dwFlags, const char* lpMultiByteStr,
                          int cbMultiByte, win::WCHAR* lpWideCharStr, int cchWideChar) override;
  void RtlMoveMemory(void* Destination, const void* Source, std::size_t Length) override;

 private:
  KeeperConnection& keeper_;
  ZoneKeyLog* zones_;
};

}  // namespace platform::linux_tz
