// The system setting on disk, for the preview rules: /etc/localtime, and
// /etc/timezone where the system keeps one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "keeper/preview_journal.h"
#include "platform/system_paths.h"
#include "policy/preview_policy.h"
#include "tz/utc_clock.h"

namespace keeper {

class LinuxSettingStore final : public policy::SettingStore {
 public:
  LinuxSettingStore(platform::SystemPaths paths, talvane::tz::UtcClock clock);

  // The zone the next Apply puts the system in, or none: then the record is
  // applied by its rules alone. With a zone, the record must be the zone's
  // own for this year.
  void SetZone(std::optional<std::string> zone) { zone_ = std::move(zone); }

  policy::LockResult TryLock() override { return journal_.Lock(); }
  void Unlock() override { journal_.Unlock(); }
  bool InForce() override { return journal_.InForce(); }
  // The setting's rule for the clock's year. No setting means UTC.
  win::DWORD Read(win::TIME_ZONE_INFORMATION* tzi) override;
  // A zone's own record puts the system in that zone, the way the system's
  // tools do: /etc/localtime a link to the zone's file (relative where the
  // setting was a relative link), /etc/timezone its name. Any other record
  // becomes a file whose TZ string keeps the record's times, and
  // /etc/timezone, which would name a zone it is not, goes meanwhile.
  bool Apply(const win::TIME_ZONE_INFORMATION& tzi) override;
  bool RollBack() override { return journal_.RollBack(); }

 private:
  std::string LinkTextFor(const std::string& zone) const;
  // Whether `zone` is one the window lists, whose file, resolved with its
  // links but never out of the database's directory, is a zone file whose
  // record for the clock's year, as a preview builds it, is `tzi`.
  bool IsOwnRecord(const std::string& zone, const win::TIME_ZONE_INFORMATION& tzi);

  platform::SystemPaths paths_;
  talvane::tz::UtcClock clock_;
  std::optional<std::string> zone_;
  std::optional<std::vector<std::string>> listed_;  // read at first need
  PreviewJournal journal_;
};

}  // namespace keeper
