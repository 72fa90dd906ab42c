#include "tz/posix_tz.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/tz/glibc_local_time.h"
#include "tz/civil_time.h"

namespace talvane::tz {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::Utc;

// Footers of the tzdata 2025b files, with the 2026 changes worked out by hand
// from the calendar.
struct FooterCase {
  const char* zone;
  const char* footer;
  const char* std_abbr;
  std::int32_t std_utoff;
  const char* dst_abbr;  // nullptr: no daylight time
  std::int32_t dst_utoff;
  const char* start_2026;  // UTC
  const char* end_2026;
};

const FooterCase kFooters[] = {
    {"America/New_York", "EST5EDT,M3.2.0,M11.1.0", "EST", -18000, "EDT", -14400,
     "2026-03-08 07:00:00", "2026-11-01 06:00:00"},
    {"Europe/Helsinki", "EET-2EEST,M3.5.0/3,M10.5.0/4", "EET", 7200, "EEST", 10800,
     "2026-03-29 01:00:00", "2026-10-25 01:00:00"},
    // Negative saving: "daylight" GMT is an hour behind standard IST.
    {"Europe/Dublin", "IST-1GMT0,M10.5.0,M3.5.0/1", "IST", 3600, "GMT", 0, "2026-10-25 01:00:00",
     "2026-03-29 01:00:00"},
    // 26:00 on the 4th Thursday is the Friday after, 02:00.
    {"Asia/Jerusalem", "IST-2IDT,M3.4.4/26,M10.5.0", "IST", 7200, "IDT", 10800,
     "2026-03-27 00:00:00", "2026-10-24 23:00:00"},
    // -1:00 on the last Sunday is 23:00 on the Saturday before.
    {"America/Nuuk", "<-02>2<-01>,M3.5.0/-1,M10.5.0/0", "-02", -7200, "-01", -3600,
     "2026-03-29 01:00:00", "2026-10-25 01:00:00"},
    {"America/Santiago", "<-04>4<-03>,M9.1.6/24,M4.1.6/24", "-04", -14400, "-03", -10800,
     "2026-09-06 04:00:00", "2026-04-05 03:00:00"},
    {"Africa/Cairo", "EET-2EEST,M4.5.5/0,M10.5.4/24", "EET", 7200, "EEST", 10800,
     "2026-04-23 22:00:00", "2026-10-29 21:00:00"},
    {"Australia/Lord_Howe", "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", "+1030", 37800, "+11", 39600,
     "2026-10-03 15:30:00", "2026-04-04 15:00:00"},
    {"Antarctica/Troll", "<+00>0<+02>-2,M3.5.0/1,M10.5.0/3", "+00", 0, "+02", 7200,
     "2026-03-29 01:00:00", "2026-10-25 01:00:00"},
    {"Pacific/Chatham", "<+1245>-12:45<+1345>,M9.5.0/2:45,M4.1.0/3:45", "+1245", 45900, "+1345",
     49500, "2026-09-26 14:00:00", "2026-04-04 14:00:00"},
    // 50:00 after the start of the 4th Thursday: the Saturday, 02:00.
    {"Asia/Gaza", "EET-2EEST,M3.4.4/50,M10.4.4/50", "EET", 7200, "EEST", 10800,
     "2026-03-28 00:00:00", "2026-10-23 23:00:00"},
    {"America/St_Johns", "NST3:30NDT,M3.2.0,M11.1.0", "NST", -12600, "NDT", -9000,
     "2026-03-08 05:30:00", "2026-11-01 04:30:00"},
    {"America/Havana", "CST5CDT,M3.2.0/0,M11.1.0/1", "CST", -18000, "CDT", -14400,
     "2026-03-08 05:00:00", "2026-11-01 05:00:00"},
    {"Asia/Kolkata", "IST-5:30", "IST", 19800, nullptr, 0, nullptr, nullptr},
    {"Asia/Kathmandu", "<+0545>-5:45", "+0545", 20700, nullptr, 0, nullptr, nullptr},
    {"Pacific/Kiritimati", "<+14>-14", "+14", 50400, nullptr, 0, nullptr, nullptr},
    {"Etc/GMT+12", "<-12>12", "-12", -43200, nullptr, 0, nullptr, nullptr},
};

TEST(PosixTzTest, ParsesRealFooters) {
  for (const FooterCase& c : kFooters) {
    SCOPED_TRACE(c.zone);
    const auto tz = ParsePosixTz(c.footer);
    ASSERT_TRUE(tz.has_value());
    EXPECT_EQ(tz->std_type, (LocalTimeType{c.std_utoff, false, c.std_abbr}));
    if (c.dst_abbr == nullptr) {
      EXPECT_FALSE(tz->dst_type.has_value());
      continue;
    }
    ASSERT_TRUE(tz->dst_type.has_value());
    EXPECT_EQ(*tz->dst_type, (LocalTimeType{c.dst_utoff, true, c.dst_abbr}));
    const DstTransitions tr = DstTransitionsInYear(*tz, 2026);
    EXPECT_EQ(tr.start, Utc(c.start_2026));
    EXPECT_EQ(tr.end, Utc(c.end_2026));
  }
}

// The same footers against glibc, which evaluates TZ strings on its own.
TEST(PosixTzTest, AgreesWithGlibcEveryHourOf2026) {
  const std::int64_t from = Utc("2026-01-01 00:00:00");
  const std::int64_t to = Utc("2027-01-01 00:00:00");
  for (const FooterCase& c : kFooters) {
    SCOPED_TRACE(c.zone);
    const auto tz = ParsePosixTz(c.footer);
    ASSERT_TRUE(tz.has_value());
    testing::ScopedTz env(c.footer);
    for (std::int64_t t = from; t < to; t += 3600) {
      const LocalTimeType& ours = TypeAt(*tz, t);
      const testing::GlibcLocal glibc = testing::GlibcLocalTime(t);
      ASSERT_EQ(ours.utoff, glibc.gmtoff) << "at " << t;
      ASSERT_EQ(ours.abbr, glibc.zone) << "at " << t;
    }
  }
}

// Rule edges held against glibc every hour of years whose calendars differ
// (2000 and 2400 are leap years, 1900 and 2100 are not): "last" weekdays that
// fall on the 29th, 30th or 31st, Jn and zero-based days on both sides of
// February 29, times of -167 to 167 hours, quoted names.
TEST(PosixTzTest, RuleEdgesAgreeWithGlibcAcrossCalendars) {
  for (const char* rule : {
           "AAA0BBB,M2.5.2/0,M10.5.6",                    // Feb 29 2000, 2028 and 2400; Oct 31 2026
           "AAA0BBB,M2.5.0,M11.5.1",                      // Feb 28 2100, Feb 29 2032; Nov 30 2026
           "AAA0BBB,M2.5.3,M9.5.3",                       // Feb 28 1900; Sep 30 2026
           "<+0330>-3:30<+0430>,M3.5.2/-167,M4.5.4/167",  // Mar 31 and Apr 30 2026
           "AAA-1BBB,J59/0,J61/23",
           "AAA-1BBB,J60/-1,J365/23",
           "AAA1BBB,58/0,59/24",
           "AAA1BBB,59/0,60/-24",
       }) {
    SCOPED_TRACE(rule);
    const auto tz = ParsePosixTz(rule);
    ASSERT_TRUE(tz.has_value());
    testing::ScopedTz env(rule);
    for (const int year : {2000, 2026, 2028, 2032, 2100, 2400}) {
      int daylight_hours = 0;
      for (std::int64_t t = YearStart(year); t < YearStart(year + 1); t += 3600) {
        const LocalTimeType& ours = TypeAt(*tz, t);
        const testing::GlibcLocal glibc = testing::GlibcLocalTime(t);
        ASSERT_EQ(ours.utoff, glibc.gmtoff) << "at " << t;
        ASSERT_EQ(ours.abbr, glibc.zone) << "at " << t;
        daylight_hours += ours.is_dst ? 1 : 0;
      }
      EXPECT_GT(daylight_hours, 0) << year;
    }
  }
}

TEST(PosixTzTest, ChangesBetweenListsBothChangesOfTheYear) {
  const auto ny = ParsePosixTz("EST5EDT,M3.2.0,M11.1.0");
  ASSERT_TRUE(ny.has_value());
  EXPECT_THAT(ChangesBetween(*ny, Utc("2026-01-01 00:00:00"), Utc("2027-01-01 00:00:00")),
              ElementsAre(Utc("2026-03-08 07:00:00"), Utc("2026-11-01 06:00:00")));
  // The window is half-open.
  EXPECT_THAT(ChangesBetween(*ny, Utc("2026-03-08 07:00:00"), Utc("2026-11-01 06:00:00")),
              ElementsAre(Utc("2026-03-08 07:00:00")));
  EXPECT_THAT(ChangesBetween(*ParsePosixTz("IST-5:30"), 0, 4'000'000'000), IsEmpty());
}

TEST(PosixTzTest, DaylightAllYearHasNoChanges) {
  // RFC 9636's way of writing permanent daylight time: the end, Dec 31 25:00
  // daylight time, is the next year's start, Jan 1 00:00 standard time.
  const auto tz = ParsePosixTz("EST5EDT,0/0,J365/25");
  ASSERT_TRUE(tz.has_value());
  EXPECT_THAT(ChangesBetween(*tz, Utc("2024-01-01 00:00:00"), Utc("2028-01-01 00:00:00")),
              IsEmpty());
  for (const char* when : {"2026-01-01 00:00:00", "2026-01-01 05:00:00", "2026-07-01 00:00:00",
                           "2028-02-29 12:00:00", "2026-12-31 23:59:59"}) {
    EXPECT_EQ(TypeAt(*tz, Utc(when)).abbr, "EDT") << when;
  }
}

TEST(PosixTzTest, JulianAndZeroBasedDaysDifferInLeapYears) {
  // Jn never counts February 29: J59 is February 28 and J60 March 1 in every
  // year. Zero-based days count it: 60 is March 1 in a leap year, March 2 otherwise.
  const auto j60 = ParsePosixTz("AAA0BBB,J60/0,60/0");
  const auto j59 = ParsePosixTz("AAA0BBB,J59/0,J61/0");
  ASSERT_TRUE(j60.has_value() && j59.has_value());
  for (const auto& [year, leap] : {std::pair{1900, false},
                                   {2000, true},
                                   {2026, false},
                                   {2028, true},
                                   {2100, false},
                                   {2400, true}}) {
    SCOPED_TRACE(year);
    const std::string y = std::to_string(year);
    EXPECT_EQ(IsLeapYear(year), leap);
    EXPECT_EQ(DaysInMonth(year, 2), leap ? 29 : 28);
    EXPECT_EQ(DstTransitionsInYear(*j60, year).start, Utc((y + "-03-01 00:00:00").c_str()));
    EXPECT_EQ(DstTransitionsInYear(*j60, year).end,
              Utc((y + (leap ? "-02-29 23:00:00" : "-03-01 23:00:00")).c_str()));
    EXPECT_EQ(DstTransitionsInYear(*j59, year).start, Utc((y + "-02-28 00:00:00").c_str()));
    EXPECT_EQ(DstTransitionsInYear(*j59, year).end, Utc((y + "-03-01 23:00:00").c_str()));
  }
}

TEST(PosixTzTest, FifthWeekMeansLast) {
  // February 2026 has four Mondays (the last is the 23rd); March has five.
  const auto tz = ParsePosixTz("AAA0BBB,M2.5.1/0,M3.5.1/0");
  ASSERT_TRUE(tz.has_value());
  EXPECT_EQ(DstTransitionsInYear(*tz, 2026).start, Utc("2026-02-23 00:00:00"));
  EXPECT_EQ(DstTransitionsInYear(*tz, 2026).end, Utc("2026-03-29 23:00:00"));
  // 1900 was no leap year: February's last Wednesday was the 28th.
  EXPECT_EQ(DstTransitionsInYear(*ParsePosixTz("AAA0BBB,M2.5.3/0,M3.5.1/0"), 1900).start,
            Utc("1900-02-28 00:00:00"));
}

TEST(PosixTzTest, ParsesOffsetAndTimeForms) {
  struct Case {
    const char* text;
    std::int32_t std_utoff;
    std::int32_t dst_utoff;
    std::int32_t start_time;
  };
  for (const Case& c : {
           Case{"AAA+5BBB,M3.2.0,M11.1.0", -18000, -14400, 7200},
           Case{"AAA-0:30:15BBB-1,M3.2.0/0:00:01,M11.1.0", 1815, 3600, 1},
           Case{"<A1+>24<B-2>-24,M3.2.0/-167,M11.1.0", -86400, 86400, -167 * 3600},
           Case{"AAA0BBB,M3.2.0/+167:59:59,M11.1.0", 0, 3600, 167 * 3600 + 3599},
       }) {
    SCOPED_TRACE(c.text);
    const auto tz = ParsePosixTz(c.text);
    ASSERT_TRUE(tz.has_value());
    EXPECT_EQ(tz->std_type.utoff, c.std_utoff);
    ASSERT_TRUE(tz->dst_type.has_value());
    EXPECT_EQ(tz->dst_type->utoff, c.dst_utoff);
    EXPECT_EQ(tz->dst_start.time, c.start_time);
  }
}

TEST(PosixTzTest, RejectsMalformedStrings) {
  for (const char* text : {
           "",
           "EST",                          // no offset
           "ES5",                          // name too short
           "<E5>5",                        // quoted name too short
           "<EST5",                        // unclosed quote
           "<E T>5",                       // space in quoted name
           "E5T5",                         // digit in unquoted name
           "EST25",                        // offset hour past 24
           "EST5:60",                      // minutes past 59
           "EST5:5:5:5",                   // too many fields
           "EST5EDT",                      // daylight time without a rule
           "EST5EDT4",                     // likewise, with an offset
           "EST5EDT,M3.2.0",               // only one date
           "EST5EDT,M13.2.0,M11.1.0",      // month 13
           "EST5EDT,M0.2.0,M11.1.0",       // month 0
           "EST5EDT,M3.6.0,M11.1.0",       // week 6
           "EST5EDT,M3.0.0,M11.1.0",       // week 0
           "EST5EDT,M3.2.7,M11.1.0",       // weekday 7
           "EST5EDT,J0,J100",              // J counts from 1
           "EST5EDT,J366,J100",            // J stops at 365
           "EST5EDT,366,100",              // n stops at 365
           "EST5EDT,M3.2.0/168,M11.1.0",   // time past 167 hours
           "EST5EDT,M3.2.0/-168,M11.1.0",  // likewise, negative
           "EST5EDT,M3.2.0,M11.1.0,",      // trailing comma
           "EST5EDT,M3.2.0,M11.1.0 ",      // trailing space
           "EST5 ",                        // trailing space, no daylight time
           "EST5EDT,M3.2.0/,M11.1.0",      // empty time
           "EST005",                       // three-digit offset hour
       }) {
    EXPECT_FALSE(ParsePosixTz(text).has_value()) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace talvane::tz
