#include "platform/linux/zone_key_log.h"

#include <cstring>

namespace platform::linux_tz {
void ZoneKeyLog::Note(const std::string& zone, const talvane::tz::ZoneRecord& values) {
  last_.emplace(zone, values);
}

std::optional<std::string> ZoneKeyLog::Take(const win::TIME_ZONE_INFORMATION& tzi) {
  if (!last_) return std::nullopt;
  const win::TIME_ZONE_INFORMATION built = talvane::tz::PreviewRecordOf(last_->second);
  std::optional<std::string> zone = std::move(last_->first);
  last_.reset();
  if (std::memcmp(&built, &tzi, sizeof tzi) != 0) return std::nullopt;
  return zone;
}

ZoneKeyLog& ProcessZoneKeyLog() {
  static ZoneKeyLog log;
  return log;
}

}  // namespace platform::linux_tz
