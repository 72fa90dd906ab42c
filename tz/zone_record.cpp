#include "tz/zone_record.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace talvane::tz {
namespace {

void Widen(std::string_view name, win::WCHAR (&out)[32]) {
  const std::size_t n = std::min<std::size_t>(name.size(), 31);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(name[i]);
  out[n] = 0;
}

}  // namespace

win::TIME_ZONE_INFORMATION ToTimeZoneInformation(const ZoneRecord& record) {
  win::TIME_ZONE_INFORMATION info{};
  info.Bias = record.tzi.Bias;
  Widen(record.std_name, info.StandardName);
  info.StandardDate = record.tzi.StandardDate;
  info.StandardBias = record.tzi.StandardBias;
  Widen(record.dlt_name, info.DaylightName);
  info.DaylightDate = record.tzi.DaylightDate;
  info.DaylightBias = record.tzi.DaylightBias;
  return info;
}

win::TIME_ZONE_INFORMATION PreviewRecordOf(const ZoneRecord& record) {
  win::TIME_ZONE_INFORMATION built = ToTimeZoneInformation(record);
  if (built.DaylightDate.wMonth == 0 || built.DaylightBias == 0) {
    std::copy(std::begin(built.StandardName), std::end(built.StandardName), built.DaylightName);
    built.DaylightBias = 0;
  }
  return built;
}

}  // namespace talvane::tz
