// The system time-zone setting as the program reads and writes it, over the
// calls of the Windows version it runs on. Since Vista a zone is more than
// its TIME_ZONE_INFORMATION: SetTimeZoneInformation drops the zone's key
// name and its year-by-year rules. So every read also keeps the dynamic
// record, and the way back puts back that dynamic record, exactly as it was.
#pragma once

#include <optional>

#include "platform/preview_policy.h"
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

// The setting in Windows' own records, for the preview rules.
class WindowsSettingStore final : public SettingStore {
 public:
  explicit WindowsSettingStore(TimeZoneApi& api) : api_(api) {}

  bool TryLock() override { return api_.TryLockPreview(); }
  void Unlock() override { api_.UnlockPreview(); }
  bool RecoverUnfinished() override { return true; }
  win::DWORD Read(win::TIME_ZONE_INFORMATION* tzi) override;
  bool Apply(const win::TIME_ZONE_INFORMATION& tzi) override;
  bool TakeWayBack() override;

 private:
  // What was read, to put back: the plain record, and the dynamic one where
  // the system has it and it agrees.
  struct Saved {
    win::TIME_ZONE_INFORMATION tzi;
    std::optional<DynamicTimeZoneInformation> dynamic;
  };
  std::optional<Saved> ReadNow(win::TIME_ZONE_INFORMATION* tzi, win::DWORD* id);

  TimeZoneApi& api_;
  std::optional<Saved> read_;
  std::optional<Saved> way_back_;
};

// GetTimeZoneInformation and SetTimeZoneInformation under the preview rules.
class TimeZoneSetting {
 public:
  explicit TimeZoneSetting(TimeZoneApi& api) : store_(api), policy_(store_) {}

  win::DWORD Get(win::TIME_ZONE_INFORMATION* tzi) { return policy_.Get(tzi); }
  win::BOOL Set(const win::TIME_ZONE_INFORMATION* tzi) { return policy_.Set(tzi); }
  // Puts back the last setting read if another one has been applied since.
  void RestoreIfChanged() { policy_.RestoreIfChanged(); }

 private:
  WindowsSettingStore store_;
  PreviewPolicy policy_;
};

}  // namespace platform::win32
