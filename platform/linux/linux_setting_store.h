// The system setting on disk, for the preview rules: /etc/localtime, and
// /etc/timezone where the system keeps one.
#pragma once

#include "platform/linux/preview_journal.h"
#include "platform/linux/utc_clock.h"
#include "platform/linux/zone_key_log.h"
#include "platform/preview_policy.h"
#include "platform/system_paths.h"

namespace platform::linux_tz {

class LinuxSettingStore final : public SettingStore {
 public:
  // `zones` may be null: then every record is applied by its rules alone.
  LinuxSettingStore(SystemPaths paths, UtcClock clock, const ZoneKeyLog* zones);

  bool TryLock() override { return journal_.Lock(); }
  void Unlock() override { journal_.Unlock(); }
  bool RecoverUnfinished() override { return journal_.RecoverUnfinished(); }
  // The setting's rule for the clock's year. No setting means UTC.
  win::DWORD Read(win::TIME_ZONE_INFORMATION* tzi) override;
  // A zone's own record puts the system in that zone, the way the system's
  // tools do: /etc/localtime a link to the zone's file (relative where the
  // setting was a relative link), /etc/timezone its name. Any other record
  // becomes a file whose TZ string keeps the record's times.
  bool Apply(const win::TIME_ZONE_INFORMATION& tzi) override;
  bool TakeWayBack() override { return journal_.Restore(); }

 private:
  std::string LinkTextFor(const std::string& zone) const;

  SystemPaths paths_;
  UtcClock clock_;
  const ZoneKeyLog* zones_;
  PreviewJournal journal_;
};

}  // namespace platform::linux_tz
