// Version and time-zone services over the host's own system. The setting is
// read and changed by the keeper, the root program the window talks to.
#pragma once

#include <optional>

#include "platform/linux/keeper_connection.h"
#include "platform/linux/zone_key_log.h"
#include "platform/system_services.h"

namespace platform::linux_tz {

class LinuxSystemServices final : public SystemServices {
 public:
  // `zones`: what the registry handed out, so that a zone's own record
  // applies that zone; may be null.
  explicit LinuxSystemServices(KeeperConnection& keeper, const ZoneKeyLog* zones = nullptr)
      : keeper_(keeper), zones_(zones) {}

  // Reports the NT family, with the kernel's release numbers as the version.
  win::BOOL GetVersionExA(win::OSVERSIONINFOA* lpVersionInformation) override;
  // The system setting's rule for the current year. While another window
  // previews a zone the setting is not the original, so it is unreadable.
  win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) override;
  // Applies a record; during a preview, the record read before it puts the
  // setting back, and nothing else is taken.
  win::BOOL SetTimeZoneInformation(
      const win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) override;
  int MultiByteToWideChar(win::UINT CodePage, win::DWORD dwFlags, const char* lpMultiByteStr,
                          int cbMultiByte, win::WCHAR* lpWideCharStr, int cchWideChar) override;
  void RtlMoveMemory(void* Destination, const void* Source, std::size_t Length) override;

 private:
  KeeperConnection& keeper_;
  const ZoneKeyLog* zones_;
  std::optional<win::TIME_ZONE_INFORMATION> read_;  // before the preview
  bool previewing_ = false;
};

}  // namespace platform::linux_tz
