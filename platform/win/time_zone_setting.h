// The system time-zone setting as the program reads and writes it, over the
// calls of the Windows version it runs on. Since Vista a zone is more than
// its TIME_ZONE_INFORMATION: SetTimeZoneInformation drops the zone's key
// name and its year-by-year rules. So every read also keeps the dynamic
// record, and writing back a record that was read puts back that dynamic
// record instead, exactly as it was.
#pragma once

#include <optional>

#include "platform/win32_types.h"

namespace platform::win32 {

// Windows' DYNAMIC_TIME_ZONE_INFORMATION.
struct DynamicTimeZoneInformation {
  win::TIME_ZONE_INFORMATION tzi;
  win::WCHAR TimeZoneKeyName[128];
  win::BYTE DynamicDaylightTimeDisabled;
};
static_assert(sizeof(DynamicTimeZoneInformation) == 432);

// The system calls behind the setting; tests put fakes in their place.
class TimeZoneApi {
 public:
  virtual ~TimeZoneApi() = default;

  virtual win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* tzi) = 0;
  virtual win::BOOL SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) = 0;
  // False before Vista, where the two dynamic calls don't exist.
  virtual bool HasDynamicTimeZones() = 0;
  virtual win::DWORD GetDynamicTimeZoneInformation(DynamicTimeZoneInformation* dtzi) = 0;
  virtual win::BOOL SetDynamicTimeZoneInformation(const DynamicTimeZoneInformation* dtzi) = 0;
  // Enables SeTimeZonePrivilege in the process's token, which the setting
  // calls need and which is off by default. False when it can't.
  virtual bool EnableTimeZonePrivilege() = 0;
  // The lock every instance of the program shares, held from reading the
  // setting a preview saves until it is put back. False while another
  // process holds it.
  virtual bool TryLockPreview() = 0;
  virtual void UnlockPreview() = 0;
};

class TimeZoneSetting {
 public:
  explicit TimeZoneSetting(TimeZoneApi& api) : api_(api) {}

  // GetTimeZoneInformation, remembering what was read. While another process
  // previews a zone the setting is not its own, so it is reported as
  // unreadable (TIME_ZONE_ID_INVALID).
  win::DWORD Get(win::TIME_ZONE_INFORMATION* tzi);
  // SetTimeZoneInformation; a record equal to the last one read restores the
  // setting it was read from.
  win::BOOL Set(const win::TIME_ZONE_INFORMATION* tzi);
  // Puts back the last setting read if another one has been applied since.
  void RestoreIfChanged();

 private:
  TimeZoneApi& api_;
  std::optional<win::TIME_ZONE_INFORMATION> read_;
  std::optional<DynamicTimeZoneInformation> read_dynamic_;
  bool changed_ = false;
  bool locked_ = false;

  void Unlock();
};

}  // namespace platform::win32
