#include "tz/zone_year.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>

#include "tests/tz/glibc_local_time.h"
#include "tests/tz/tzif_builder.h"

namespace win {
// Lets failures print the dates, not their bytes.
inline bool operator==(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDayOfWeek == b.wDayOfWeek &&
         a.wDay == b.wDay && a.wHour == b.wHour && a.wMinute == b.wMinute &&
         a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}
inline std::ostream& operator<<(std::ostream& os, const SYSTEMTIME& st) {
  return os << "{month " << st.wMonth << ", week " << st.wDay << ", weekday " << st.wDayOfWeek
            << ", " << st.wHour << ":" << st.wMinute << ":" << st.wSecond << ", year " << st.wYear
            << ", ms " << st.wMilliseconds << "}";
}
}  // namespace win

namespace talvane::tz {
namespace {

using testing::BuildTzif;
using testing::TzifLayout;
using testing::Utc;

const std::filesystem::path kZoneinfo = "/usr/share/zoneinfo";

constexpr win::SYSTEMTIME kNone{};

// The n-th (5 = last) weekday of a month at a wall-clock time.
constexpr win::SYSTEMTIME Rule(int month, int week, int weekday, int hour, int minute = 0) {
  win::SYSTEMTIME st{};
  st.wMonth = static_cast<win::WORD>(month);
  st.wDay = static_cast<win::WORD>(week);
  st.wDayOfWeek = static_cast<win::WORD>(weekday);
  st.wHour = static_cast<win::WORD>(hour);
  st.wMinute = static_cast<win::WORD>(minute);
  return st;
}

enum Weekday { kSun, kMon, kTue, kWed, kThu, kFri, kSat };

struct ZoneCase {
  const char* zone;
  win::LONG bias;
  win::LONG daylight_bias;
  win::SYSTEMTIME daylight_date;
  win::SYSTEMTIME standard_date;
  const char* std_name;
  const char* dlt_name;
};

// 2026 records of real zones, worked out by hand from their rules.
const ZoneCase kZones2026[] = {
    {"America/New_York", 300, -60, Rule(3, 2, kSun, 2), Rule(11, 1, kSun, 2), "EST", "EDT"},
    // October 25 is the 4th Sunday and the last; the footer says last, so 5.
    {"Europe/Helsinki", -120, -60, Rule(3, 5, kSun, 3), Rule(10, 5, kSun, 4), "EET", "EEST"},
    // Standard time is summer's IST; winter's GMT is "daylight" time, an hour back.
    {"Europe/Dublin", -60, 60, Rule(10, 5, kSun, 2), Rule(3, 5, kSun, 1), "IST", "GMT"},
    // M3.4.4/26: the Friday after the 4th Thursday (March 27, a 4th Friday) at 2:00.
    {"Asia/Jerusalem", -120, -60, Rule(3, 4, kFri, 2), Rule(10, 5, kSun, 2), "IST", "IDT"},
    // M3.5.0/-1: Saturday March 28 at 23:00.
    {"America/Nuuk", 120, -60, Rule(3, 4, kSat, 23), Rule(10, 5, kSun, 0), "-02", "-01"},
    // /24 on the first Saturday: the Sunday after at 0:00.
    {"America/Santiago", 240, -60, Rule(9, 1, kSun, 0), Rule(4, 1, kSun, 0), "-04", "-03"},
    // M10.5.4/24: Thursday the 29th at 24:00 is Friday the 30th, the last Friday.
    {"Africa/Cairo", -120, -60, Rule(4, 5, kFri, 0), Rule(10, 5, kFri, 0), "EET", "EEST"},
    {"Australia/Lord_Howe", -630, -30, Rule(10, 1, kSun, 2), Rule(4, 1, kSun, 2), "+1030", "+11"},
    {"Australia/Sydney", -600, -60, Rule(10, 1, kSun, 2), Rule(4, 1, kSun, 3), "AEST", "AEDT"},
    {"Antarctica/Troll", 0, -120, Rule(3, 5, kSun, 1), Rule(10, 5, kSun, 3), "+00", "+02"},
    {"Pacific/Chatham", -765, -60, Rule(9, 5, kSun, 2, 45), Rule(4, 1, kSun, 3, 45), "+1245",
     "+1345"},
    // Ramadan: +00 from Feb 15 03:00 to Mar 22 02:00, from the explicit
    // transitions; the footer "<+01>-1" knows nothing of it.
    {"Africa/Casablanca", -60, 60, Rule(2, 3, kSun, 3), Rule(3, 4, kSun, 2), "+01", "+00"},
    {"Africa/El_Aaiun", -60, 60, Rule(2, 3, kSun, 3), Rule(3, 4, kSun, 2), "+01", "+00"},
    // M3.4.4/50 and M10.4.4/50: the Saturdays March 28 and October 24 at 2:00.
    {"Asia/Gaza", -120, -60, Rule(3, 4, kSat, 2), Rule(10, 4, kSat, 2), "EET", "EEST"},
    {"Asia/Hebron", -120, -60, Rule(3, 4, kSat, 2), Rule(10, 4, kSat, 2), "EET", "EEST"},
    {"Asia/Kolkata", -330, 0, kNone, kNone, "IST", "IST"},
    {"Asia/Kathmandu", -345, 0, kNone, kNone, "+0545", "+0545"},
    {"Asia/Tokyo", -540, 0, kNone, kNone, "JST", "JST"},
    {"America/Phoenix", 420, 0, kNone, kNone, "MST", "MST"},
};

TEST(ZoneYearTest, RealZonesIn2026) {
  for (const ZoneCase& c : kZones2026) {
    SCOPED_TRACE(c.zone);
    const auto tzif = ReadTzifFile(kZoneinfo / c.zone);
    ASSERT_TRUE(tzif.has_value());
    const auto zy = ZoneRecordForYear(*tzif, 2026);
    ASSERT_TRUE(zy.has_value());
    EXPECT_EQ(zy->fit, Fit::kExact) << FitName(zy->fit);
    EXPECT_EQ(zy->offset_changes, c.daylight_date.wMonth == 0 ? 0 : 2);
    const win::REG_TZI_FORMAT& tzi = zy->record.tzi;
    EXPECT_EQ(tzi.Bias, c.bias);
    EXPECT_EQ(tzi.StandardBias, 0);
    EXPECT_EQ(tzi.DaylightBias, c.daylight_bias);
    EXPECT_EQ(tzi.DaylightDate, c.daylight_date);
    EXPECT_EQ(tzi.StandardDate, c.standard_date);
    EXPECT_EQ(zy->record.std_name, c.std_name);
    EXPECT_EQ(zy->record.dlt_name, c.dlt_name);
  }
}

TEST(ZoneYearTest, YearsPastTheExplicitTransitionsComeFromTheFooter) {
  // Debian's files list transitions up to 2037.
  const auto tzif = ReadTzifFile(kZoneinfo / "America/New_York");
  ASSERT_TRUE(tzif.has_value());
  ASSERT_LT(tzif->transition_times.back(), Utc("2040-01-01 00:00:00"));
  const auto zy = ZoneRecordForYear(*tzif, 2040);
  ASSERT_TRUE(zy.has_value());
  EXPECT_EQ(zy->fit, Fit::kExact);
  EXPECT_EQ(zy->record.tzi.DaylightDate, Rule(3, 2, kSun, 2));
  EXPECT_EQ(zy->record.tzi.StandardDate, Rule(11, 1, kSun, 2));
}

TEST(ZoneYearTest, AChangeAtTheMidnightEndingTheYearStaysInTheYear) {
  // Bangladesh's daylight time of 2009 ended at 24:00 on Thursday, December 31.
  const auto tzif = ReadTzifFile(kZoneinfo / "Asia/Dhaka");
  ASSERT_TRUE(tzif.has_value());
  const auto zy = ZoneRecordForYear(*tzif, 2009);
  ASSERT_TRUE(zy.has_value());
  EXPECT_EQ(zy->fit, Fit::kExact);
  win::SYSTEMTIME last_millisecond = Rule(12, 5, kThu, 23, 59);
  last_millisecond.wSecond = 59;
  last_millisecond.wMilliseconds = 999;
  EXPECT_EQ(zy->record.tzi.StandardDate, last_millisecond);
  EXPECT_EQ(zy->record.tzi.DaylightDate, Rule(6, 3, kFri, 23));
}

TEST(ZoneYearTest, YearsASystemtimeCannotHoldAreRefused) {
  const auto tzif = ReadTzifFile(kZoneinfo / "Europe/Helsinki");
  ASSERT_TRUE(tzif.has_value());
  EXPECT_FALSE(ZoneRecordForYear(*tzif, kMinYear - 1).has_value());
  EXPECT_FALSE(ZoneRecordForYear(*tzif, kMaxYear + 1).has_value());
  EXPECT_TRUE(ZoneRecordForYear(*tzif, kMinYear).has_value());
  EXPECT_TRUE(ZoneRecordForYear(*tzif, kMaxYear).has_value());
}

// --- Years no single rule describes (made-up zones) -------------------------

Tzif Build(const TzifLayout& layout) {
  auto tzif = ReadTzif(BuildTzif(layout));
  if (!tzif) throw std::runtime_error("test zone does not parse");
  return *tzif;
}

TEST(ZoneYearTest, DaylightTimeInterruptedIsTooManyChangesAndFallsBackToTheFooter) {
  // Daylight time suspended for a month, as Palestine has done for Ramadan.
  TzifLayout layout;
  layout.times = {Utc("2026-03-29 01:00:00"), Utc("2026-05-01 00:00:00"),
                  Utc("2026-06-01 00:00:00"), Utc("2026-10-25 01:00:00")};
  layout.type_indexes = {1, 0, 1, 0};
  layout.types = {{7200, 0, 0}, {10800, 1, 4}};
  layout.chars = std::string("EET\0EEST\0", 9);
  layout.footer = "EET-2EEST,M3.5.0/3,M10.5.0/4";
  const auto zy = ZoneRecordForYear(Build(layout), 2026);
  ASSERT_TRUE(zy.has_value());
  EXPECT_EQ(zy->fit, Fit::kTooManyChanges);
  EXPECT_EQ(zy->offset_changes, 4);
  EXPECT_EQ(zy->record.tzi.Bias, -120);
  EXPECT_EQ(zy->record.tzi.DaylightDate, Rule(3, 5, kSun, 3));
  EXPECT_EQ(zy->record.tzi.StandardDate, Rule(10, 5, kSun, 4));
}

TEST(ZoneYearTest, NewStandardOffsetIsOffsetChangeAndKeepsTheYearsEnd) {
  TzifLayout layout;
  layout.times = {Utc("2026-06-01 05:00:00")};
  layout.type_indexes = {1};
  layout.types = {{-18000, 0, 0}, {-14400, 0, 4}};
  layout.chars = std::string("-05\0-04\0", 8);
  layout.footer = "<-04>4";
  const auto zy = ZoneRecordForYear(Build(layout), 2026);
  ASSERT_TRUE(zy.has_value());
  EXPECT_EQ(zy->fit, Fit::kOffsetChange);
  EXPECT_EQ(zy->offset_changes, 1);
  EXPECT_EQ(zy->record.tzi.Bias, 240);
  EXPECT_EQ(zy->record.tzi.DaylightDate, kNone);
  EXPECT_EQ(zy->record.std_name, "-04");
  // The year before and after are plain.
  EXPECT_EQ(ZoneRecordForYear(Build(layout), 2025)->fit, Fit::kExact);
  EXPECT_EQ(ZoneRecordForYear(Build(layout), 2025)->record.tzi.Bias, 300);
  EXPECT_EQ(ZoneRecordForYear(Build(layout), 2027)->fit, Fit::kExact);
}

TEST(ZoneYearTest, RenamingWithoutOffsetChangeIsNameChange) {
  TzifLayout layout;
  layout.times = {Utc("2026-06-01 00:00:00")};
  layout.type_indexes = {1};
  layout.types = {{3600, 0, 0}, {3600, 0, 4}};
  layout.chars = std::string("AAA\0BBB\0", 8);
  layout.footer = "BBB-1";
  const auto zy = ZoneRecordForYear(Build(layout), 2026);
  ASSERT_TRUE(zy.has_value());
  EXPECT_EQ(zy->fit, Fit::kNameChange);
  EXPECT_EQ(zy->offset_changes, 0);
  EXPECT_EQ(zy->record.std_name, "BBB");
}

TEST(ZoneYearTest, OffsetInSecondsIsSubMinute) {
  TzifLayout layout;
  layout.types = {{1050, 0, 0}};
  layout.chars = std::string("LMT\0", 4);
  layout.footer = "LMT-0:17:30";
  const auto zy = ZoneRecordForYear(Build(layout), 2026);
  ASSERT_TRUE(zy.has_value());
  EXPECT_EQ(zy->fit, Fit::kSubMinuteOffset);
}

TEST(ZoneYearTest, DaylightTimeAllYearIsAZoneWithoutChanges) {
  TzifLayout layout;
  layout.types = {{-18000, 0, 0}};
  layout.chars = std::string("EST\0", 4);
  layout.footer = "EST5EDT,0/0,J365/25";
  const auto zy = ZoneRecordForYear(Build(layout), 2026);
  ASSERT_TRUE(zy.has_value());
  EXPECT_EQ(zy->fit, Fit::kExact);
  EXPECT_EQ(zy->offset_changes, 0);
  EXPECT_EQ(zy->record.tzi.Bias, 240);
  EXPECT_EQ(zy->record.tzi.DaylightBias, 0);
  EXPECT_EQ(zy->record.tzi.DaylightDate, kNone);
  EXPECT_EQ(zy->record.std_name, "EDT");
  EXPECT_EQ(zy->record.dlt_name, "EDT");
}

// --- The zone id Windows reports ------------------------------------------

TEST(ZoneYearTest, CurrentZoneId) {
  struct Case {
    const char* zone;
    const char* when;  // UTC
    win::DWORD id;
  };
  for (const Case& c : {
           Case{"America/New_York", "2026-01-15 12:00:00", win::TIME_ZONE_ID_STANDARD},
           Case{"America/New_York", "2026-07-01 12:00:00", win::TIME_ZONE_ID_DAYLIGHT},
           Case{"America/New_York", "2026-03-08 06:59:59", win::TIME_ZONE_ID_STANDARD},
           Case{"America/New_York", "2026-03-08 07:00:00", win::TIME_ZONE_ID_DAYLIGHT},
           Case{"America/New_York", "2026-11-01 05:59:59", win::TIME_ZONE_ID_DAYLIGHT},
           Case{"America/New_York", "2026-11-01 06:00:00", win::TIME_ZONE_ID_STANDARD},
           Case{"Asia/Kolkata", "2026-07-01 12:00:00", win::TIME_ZONE_ID_UNKNOWN},
           // Dublin's winter GMT is its record's daylight time.
           Case{"Europe/Dublin", "2026-01-15 12:00:00", win::TIME_ZONE_ID_DAYLIGHT},
           Case{"Europe/Dublin", "2026-07-01 12:00:00", win::TIME_ZONE_ID_STANDARD},
           Case{"America/Santiago", "2026-01-15 12:00:00", win::TIME_ZONE_ID_DAYLIGHT},
           Case{"America/Santiago", "2026-07-01 12:00:00", win::TIME_ZONE_ID_STANDARD},
       }) {
    const auto tzif = ReadTzifFile(kZoneinfo / c.zone);
    ASSERT_TRUE(tzif.has_value()) << c.zone;
    EXPECT_EQ(CurrentZoneId(*tzif, Utc(c.when)), c.id) << c.zone << " at " << c.when;
  }
}

}  // namespace
}  // namespace talvane::tz
