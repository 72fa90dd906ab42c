// Which zone key the registry last handed values out for. Applying the record
// a preview built from them sets the system to that zone itself, not to any
// other zone with the same rules this year: Europe/Paris and Europe/Berlin
// share one, and the zone's name is what people see.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "platform/win32_types.h"
#include "tz/zone_record.h"

namespace platform::linux_tz {

class ZoneKeyLog {
 public:
  void Note(const std::string& zone, const talvane::tz::ZoneRecord& values);
  // The zone noted last, when `tzi` is the record a preview builds from its
  // values. Taken once: the restore that follows, whose record may be the
  // same, names no zone.
  std::optional<std::string> Take(const win::TIME_ZONE_INFORMATION& tzi);

 private:
  std::optional<std::pair<std::string, talvane::tz::ZoneRecord>> last_;
};

// The log the registry and the system services of this process share.
ZoneKeyLog& ProcessZoneKeyLog();

}  // namespace platform::linux_tz
