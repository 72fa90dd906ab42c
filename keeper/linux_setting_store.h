// The system setting on disk, for the preview rules: /etc/localtime, and
// /etc/timezone where the system keeps one.
#pragma once

#include <optional>
#include <string>

#include "keeper/preview_journal.h"
#include "platform/linux/tz/utc_clock.h"
#include "platform/preview_policy.h"
#include "platform/system_paths.h"

namespace keeper {

class LinuxSettingStore final : public platform::SettingStore {
 public:
  LinuxSettingStore(platform::SystemPaths paths, talvane::tz::UtcClock clock);

  // The zone the next Apply puts the system in, or none: then the record is
  // applied by its rules alone. With a zone, the record must be the zone's
  // own for this year.
  void SetZone(std::optional<std::string> zone) { zone_ = std::move(zone); }

  bool TryLock() override { return journal_.Lock(); }
  void Unlock() override { journal_.Unlock(); }
  bool RecoverUnfinished() override { return journal_.RollBack(); }
  // The setting's rule for the clock's year. No setting means UTC.
  win::DWORD Read(win::TIME_ZONE_INFORMATION* tzi) override;
  // A zone's own record puts the system in that zone, the way the system's
  // tools do: /etc/localtime a link to the zone's file (relative where the
  // setting was a relative link), /etc/timezone its name. Any other record
  // becomes a file whose TZ string keeps the record's times.
  bool Apply(const win::TIME_ZONE_INFORMATION& tzi) override;
  bool TakeWayBack() override { return journal_.RollBack(); }

 private:
  std::string LinkTextFor(const std::string& zone) const;
  // Whether `zone` names a zone file of the tz database, resolved with its
  // links but never out of the database's directory, whose record for the
  // clock's year, as a preview builds it, is `tzi`.
  bool IsOwnRecord(const std::string& zone, const win::TIME_ZONE_INFORMATION& tzi) const;

  platform::SystemPaths paths_;
  talvane::tz::UtcClock clock_;
  std::optional<std::string> zone_;
  PreviewJournal journal_;
};

}  // namespace keeper
