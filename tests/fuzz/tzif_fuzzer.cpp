// Feeds arbitrary bytes to the TZif reader, and what it accepts to
// everything that works on a zone, as the registry and services do.
#include <cstddef>
#include <cstdint>
#include <span>

#include "tz/tz_string.h"
#include "tz/tzif_reader.h"
#include "tz/tzif_timeline.h"
#include "tz/zone_record.h"
#include "tz/zone_year.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto zone = talvane::tz::ReadTzif(std::span(data, size));
  if (!zone) return 0;
  for (int year : {1601, 1970, 2026, 2038, 2100, 30827}) {
    if (auto record = talvane::tz::ZoneRecordForYear(*zone, year)) {
      talvane::tz::PosixTzFromRecord(talvane::tz::ToTimeZoneInformation(record->record));
    }
  }
  for (std::int64_t t :
       {INT64_MIN / 2, std::int64_t{-1}, std::int64_t{0}, std::int64_t{1784073600}}) {
    talvane::tz::CurrentZoneId(*zone, t);
    talvane::tz::LocalTypeAt(*zone, t);
  }
  return 0;
}
