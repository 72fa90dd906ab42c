#include "tz/tz_string.h"

#include <gtest/gtest.h>

#include <string>

#include "tz/posix_tz.h"

namespace talvane::tz {
namespace {

void SetName(win::WCHAR (&out)[32], std::u16string_view name) {
  std::fill(std::begin(out), std::end(out), 0);
  std::copy(name.begin(), name.end(), out);
}

win::SYSTEMTIME Relative(int month, int week, int weekday, int hour, int minute = 0, int second = 0,
                         int milliseconds = 0) {
  win::SYSTEMTIME st{};
  st.wMilliseconds = static_cast<win::WORD>(milliseconds);
  st.wMonth = static_cast<win::WORD>(month);
  st.wDay = static_cast<win::WORD>(week);
  st.wDayOfWeek = static_cast<win::WORD>(weekday);
  st.wHour = static_cast<win::WORD>(hour);
  st.wMinute = static_cast<win::WORD>(minute);
  st.wSecond = static_cast<win::WORD>(second);
  return st;
}

win::SYSTEMTIME Absolute(int year, int month, int day, int hour) {
  win::SYSTEMTIME st{};
  st.wYear = static_cast<win::WORD>(year);
  st.wMonth = static_cast<win::WORD>(month);
  st.wDay = static_cast<win::WORD>(day);
  st.wHour = static_cast<win::WORD>(hour);
  return st;
}

win::TIME_ZONE_INFORMATION Record(win::LONG bias, std::u16string_view std_name,
                                  std::u16string_view dlt_name = u"", win::LONG daylight_bias = 0,
                                  win::SYSTEMTIME daylight = {}, win::SYSTEMTIME standard = {}) {
  win::TIME_ZONE_INFORMATION tzi{};
  tzi.Bias = bias;
  SetName(tzi.StandardName, std_name);
  SetName(tzi.DaylightName, dlt_name);
  tzi.DaylightBias = daylight_bias;
  tzi.DaylightDate = daylight;
  tzi.StandardDate = standard;
  return tzi;
}

TEST(TzStringTest, WritesRecords) {
  struct Case {
    const char* what;
    win::TIME_ZONE_INFORMATION tzi;
    const char* tz;
  };
  const Case cases[] = {
      {"alphabetic names as they are",
       Record(300, u"EST", u"EDT", -60, Relative(3, 2, 0, 2), Relative(11, 1, 0, 2)),
       "EST5EDT4,M3.2.0,M11.1.0"},
      {"names with spaces become numeric",
       Record(480, u"Pacific Standard Time", u"Pacific Daylight Time", -60, Relative(3, 2, 0, 2),
              Relative(11, 1, 0, 2)),
       "<-08>8<-07>7,M3.2.0,M11.1.0"},
      {"numeric names are quoted",
       Record(120, u"-02", u"-01", -60, Relative(3, 4, 6, 23), Relative(10, 5, 0, 0)),
       "<-02>2<-01>1,M3.4.6/23,M10.5.0/0"},
      {"half-hour offsets and times",
       Record(-630, u"+1030", u"+11", -30, Relative(10, 1, 0, 2), Relative(4, 1, 0, 2)),
       "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0"},
      {"quarter-hour names made from offsets",
       Record(-765, u"Chatham Standard Time", u"Chatham Daylight Time", -60,
              Relative(9, 5, 0, 2, 45), Relative(4, 1, 0, 3, 45)),
       "<+1245>-12:45<+1345>-13:45,M9.5.0/2:45,M4.1.0/3:45"},
      {"negative saving",
       Record(-60, u"IST", u"GMT", 60, Relative(10, 5, 0, 2), Relative(3, 5, 0, 1)),
       "IST-1GMT0,M10.5.0,M3.5.0/1"},
      {"seconds in a time",
       Record(0, u"AAA", u"BBB", -60, Relative(3, 5, 0, 1, 0, 30), Relative(10, 5, 0, 1, 30, 5)),
       "AAA0BBB-1,M3.5.0/1:00:30,M10.5.0/1:30:05"},
      {"the last millisecond of a day is its midnight",
       Record(-360, u"+06", u"+07", -60, Relative(6, 3, 5, 23),
              Relative(12, 5, 4, 23, 59, 59, 999)),
       "<+06>-6<+07>-7,M6.3.5/23,M12.5.4/24"},
      {"milliseconds round to the nearest second",
       Record(0, u"AAA", u"BBB", -60, Relative(3, 5, 0, 1, 0, 0, 499),
              Relative(10, 5, 0, 1, 0, 0, 500)),
       "AAA0BBB-1,M3.5.0/1,M10.5.0/1:00:01"},
      {"no daylight time", Record(-330, u"India Standard Time"), "<+0530>-5:30"},
      {"negative half hour", Record(210, u"Newfoundland"), "Newfoundland3:30"},
      {"numeric name for a negative half hour", Record(210, u"N S T"), "<-0330>3:30"},
      {"zero offset", Record(0, u"Coordinated Universal Time"), "<+00>0"},
      {"two-letter names are too short", Record(-60, u"CE"), "<+01>-1"},
      {"non-ASCII names become numeric", Record(-180, u"Москва"), "<+03>-3"},
      {"a daylight bias equal to the standard one is no daylight time",
       Record(-120, u"EET", u"EEST", 0, Relative(3, 5, 0, 3), Relative(10, 5, 0, 4)), "EET-2"},
      {"absolute dates become Jn",
       Record(-60, u"AAA", u"BBB", -60, Absolute(2026, 3, 1, 2), Absolute(2026, 12, 31, 3)),
       "AAA-1BBB-2,J60,J365/3"},
      {"February 29 becomes the zero-based day",
       Record(-60, u"AAA", u"BBB", -60, Absolute(2028, 2, 29, 0), Absolute(2028, 10, 1, 2)),
       "AAA-1BBB-2,59/0,J274"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto tz = PosixTzFromRecord(c.tzi);
    ASSERT_TRUE(tz.has_value());
    EXPECT_EQ(*tz, c.tz);
    // What we write, we can read.
    EXPECT_TRUE(ParsePosixTz(*tz).has_value());
  }
}

TEST(TzStringTest, StandardBiasAddsToBoth) {
  auto tzi = Record(300, u"EST", u"EDT", -60, Relative(3, 2, 0, 2), Relative(11, 1, 0, 2));
  tzi.StandardBias = 60;  // standard 6 h behind, daylight 4 h behind
  EXPECT_EQ(PosixTzFromRecord(tzi), "EST6EDT4,M3.2.0,M11.1.0");
}

TEST(TzStringTest, NamesFillingTheWholeArrayAreRead) {
  auto tzi = Record(0, u"");
  std::fill(std::begin(tzi.StandardName), std::end(tzi.StandardName), u'A');  // no NUL
  EXPECT_EQ(PosixTzFromRecord(tzi), std::string(32, 'A') + "0");
}

TEST(TzStringTest, RefusesRecordsNoStringCanHold) {
  struct Case {
    const char* what;
    win::TIME_ZONE_INFORMATION tzi;
  };
  auto good = [] {
    return Record(300, u"EST", u"EDT", -60, Relative(3, 2, 0, 2), Relative(11, 1, 0, 2));
  };
  auto with = [&](auto change) {
    auto tzi = good();
    change(tzi);
    return tzi;
  };
  ASSERT_TRUE(PosixTzFromRecord(good()).has_value());
  const Case cases[] = {
      {"offset of 25 hours", with([](auto& t) { t.Bias = 25 * 60; })},
      {"daylight offset of -25 hours", with([](auto& t) {
         t.Bias = -24 * 60;
         t.DaylightBias = -60;
       })},
      {"daylight date without standard date", with([](auto& t) { t.StandardDate = {}; })},
      {"month 13", with([](auto& t) { t.DaylightDate.wMonth = 13; })},
      {"week 6", with([](auto& t) { t.DaylightDate.wDay = 6; })},
      {"week 0", with([](auto& t) { t.StandardDate.wDay = 0; })},
      {"weekday 7", with([](auto& t) { t.StandardDate.wDayOfWeek = 7; })},
      {"hour 24", with([](auto& t) { t.DaylightDate.wHour = 24; })},
      {"minute 60", with([](auto& t) { t.DaylightDate.wMinute = 60; })},
      {"millisecond 1000", with([](auto& t) { t.StandardDate.wMilliseconds = 1000; })},
      {"February 30", with([](auto& t) { t.DaylightDate = Absolute(2026, 2, 30, 2); })},
      {"February 29 of a common year",
       with([](auto& t) { t.DaylightDate = Absolute(2026, 2, 29, 2); })},
  };
  for (const Case& c : cases) EXPECT_FALSE(PosixTzFromRecord(c.tzi).has_value()) << c.what;
}

}  // namespace
}  // namespace talvane::tz
