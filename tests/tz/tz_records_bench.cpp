// How long computing the records of every zone takes: reading each file, and
// the record for the current year. Not a test; prints its figures.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "tz/tz_string.h"
#include "tz/tzif_reader.h"
#include "tz/zone_names.h"
#include "tz/zone_year.h"

int main() {
  using Clock = std::chrono::steady_clock;
  const std::string zoneinfo = "/usr/share/zoneinfo/";
  const std::vector<std::string> zones = talvane::tz::ListZoneNames(zoneinfo);
  if (zones.empty()) {
    std::fprintf(stderr, "no zones in %stzdata.zi\n", zoneinfo.c_str());
    return 1;
  }
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  const int year = tm.tm_year + 1900;

  constexpr int kRounds = 20;
  std::vector<talvane::tz::Tzif> files;
  double read_ms = 0;
  double record_ms = 0;
  std::size_t checksum = 0;  // keeps the work from being optimised away
  for (int round = 0; round < kRounds; ++round) {
    files.clear();
    const auto t0 = Clock::now();
    for (const auto& zone : zones) {
      auto tzif = talvane::tz::ReadTzifFile(zoneinfo + zone);
      if (!tzif) {
        std::fprintf(stderr, "cannot read %s\n", zone.c_str());
        return 1;
      }
      files.push_back(std::move(*tzif));
    }
    const auto t1 = Clock::now();
    for (const auto& tzif : files) {
      const auto zy = talvane::tz::ZoneRecordForYear(tzif, year);
      const auto tz =
          talvane::tz::PosixTzFromRecord(talvane::tz::ToTimeZoneInformation(zy->record));
      checksum += tz ? tz->size() : 0;
    }
    const auto t2 = Clock::now();
    read_ms += std::chrono::duration<double, std::milli>(t1 - t0).count();
    record_ms += std::chrono::duration<double, std::milli>(t2 - t1).count();
  }
  std::printf("%zu zones, year %d, mean of %d rounds:\n", zones.size(), year, kRounds);
  std::printf("  reading every TZif file:           %8.3f ms\n", read_ms / kRounds);
  std::printf("  records + TZ strings for them all: %8.3f ms (%.2f us per zone)\n",
              record_ms / kRounds, 1000 * record_ms / kRounds / static_cast<double>(zones.size()));
  std::printf("  (checksum %zu)\n", checksum);
  return 0;
}
