// Every zone of the system's tz database, this year: our reading of its file,
// and the record we make of it written back as a TZ string, both held against
// glibc reading the file itself, every hour of the year.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "platform/linux/tz/civil_time.h"
#include "platform/linux/tz/tz_string.h"
#include "platform/linux/tz/tzif_reader.h"
#include "platform/linux/tz/tzif_timeline.h"
#include "platform/linux/tz/zone_year.h"
#include "platform/linux/zone_names.h"
#include "tests/tz/glibc_local_time.h"

namespace talvane::tz {
namespace {

using testing::GlibcLocal;
using testing::GlibcLocalTime;
using testing::ScopedTz;

const char kZoneinfo[] = "/usr/share/zoneinfo/";

// Zones whose year no single yearly rule can describe, by year, with why.
// A zone listed here must mismatch glibc, and every other zone must match.
struct Exception {
  int year;
  const char* zone;
  const char* reason;
};
const Exception kExceptions[] = {
    // Morocco's clocks go back to +00 for Ramadan; twice in these years.
    {2029, "Africa/Casablanca", "+00 for Ramadan until Feb 18, and again from Dec 30"},
    {2029, "Africa/El_Aaiun", "+00 for Ramadan until Feb 18, and again from Dec 30"},
    {2033, "Africa/Casablanca", "+00 for Ramadan until Jan 9, and again Nov 20 to Dec 25"},
    {2033, "Africa/El_Aaiun", "+00 for Ramadan until Jan 9, and again Nov 20 to Dec 25"},
};

// TALVANE_SWEEP_YEAR=2030 sweeps another year, to see what the list will need.
int SweepYear() {
  if (const char* year = std::getenv("TALVANE_SWEEP_YEAR")) return std::atoi(year);
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

const Exception* FindException(int year, const std::string& zone) {
  for (const Exception& e : kExceptions) {
    if (e.year == year && zone == e.zone) return &e;
  }
  return nullptr;
}

TEST(GlibcSweepTest, EveryZoneThisYear) {
  const int year = SweepYear();
  const std::int64_t from = YearStart(year);
  const std::int64_t to = YearStart(year + 1);
  const std::vector<std::string> zones = platform::linux_tz::ListZoneNames(kZoneinfo);
  ASSERT_GT(zones.size(), 300u) << "tzdata.zi missing or unreadable";

  int matched = 0;
  for (const std::string& zone : zones) {
    SCOPED_TRACE(zone);
    const auto tzif = ReadTzifFile(kZoneinfo + zone);
    ASSERT_TRUE(tzif.has_value());
    const auto zy = ZoneRecordForYear(*tzif, year);
    ASSERT_TRUE(zy.has_value());
    const auto tz = PosixTzFromRecord(ToTimeZoneInformation(zy->record));
    ASSERT_TRUE(tz.has_value());

    std::vector<GlibcLocal> from_file;
    {
      ScopedTz env(":" + zone);
      for (std::int64_t t = from; t < to; t += 3600) from_file.push_back(GlibcLocalTime(t));
    }

    // Our reading of the file.
    std::size_t i = 0;
    for (std::int64_t t = from; t < to; t += 3600, ++i) {
      const LocalTimeType& ours = LocalTypeAt(*tzif, t);
      ASSERT_EQ((GlibcLocal{ours.utoff, ours.abbr}), from_file[i]) << "reading the file, at " << t;
    }

    // The record, as a TZ string.
    std::string first_mismatch;
    {
      ScopedTz env(*tz);
      i = 0;
      for (std::int64_t t = from; t < to && first_mismatch.empty(); t += 3600, ++i) {
        const GlibcLocal from_string = GlibcLocalTime(t);
        if (from_string != from_file[i]) {
          std::ostringstream os;
          os << "at " << t << " the file gives " << from_file[i] << ", \"" << *tz << "\" gives "
             << from_string;
          first_mismatch = os.str();
        }
      }
    }

    const Exception* listed = FindException(year, zone);
    if (listed != nullptr) {
      EXPECT_FALSE(first_mismatch.empty())
          << "listed as needing more than one rule (" << listed->reason << ") but \"" << *tz
          << "\" now matches every hour; update the list";
      EXPECT_NE(zy->fit, Fit::kExact) << "listed, yet reported as fitting one rule";
    } else {
      EXPECT_TRUE(first_mismatch.empty()) << first_mismatch << " (fit: " << FitName(zy->fit) << ")";
      EXPECT_EQ(zy->fit, Fit::kExact) << FitName(zy->fit) << ", yet \"" << *tz << "\" matches";
      if (first_mismatch.empty()) ++matched;
    }
  }
  std::cout << "[ sweep    ] " << year << ": " << matched << " of " << zones.size()
            << " zones keep glibc's time every hour as one yearly rule\n";
}

}  // namespace
}  // namespace talvane::tz
