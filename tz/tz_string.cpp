#include "tz/tz_string.h"

#include <cstdint>
#include <cstdlib>

#include "tz/civil_time.h"

namespace talvane::tz {
namespace {

// Strings are built with += throughout: g++ 12 at -O3 warns, falsely
// (-Wrestrict), on "literal" + std::string.

bool IsAlpha(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool IsQuotable(char16_t c) {
  return IsAlpha(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-';
}

std::string TwoDigits(std::int64_t v) {
  return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

// A name as tzdata writes one for a zone without an abbreviation: "+05",
// "+0530", "-0330".
std::string NumericName(std::int64_t utoff_minutes) {
  const std::int64_t a = std::llabs(utoff_minutes);
  std::string name = utoff_minutes < 0 ? "-" : "+";
  name += TwoDigits(a / 60);
  if (a % 60 != 0) name += TwoDigits(a % 60);
  return name;
}

std::string Name(const win::WCHAR (&wide)[32], std::int64_t utoff_minutes) {
  std::u16string name;
  for (const win::WCHAR c : wide) {
    if (c == 0) break;
    name += c;
  }
  bool alpha = name.size() >= 3;
  bool quotable = name.size() >= 3;
  for (const char16_t c : name) {
    alpha = alpha && IsAlpha(c);
    quotable = quotable && IsQuotable(c);
  }
  // Every character is ASCII once either holds, so narrowing is exact.
  const std::string narrow(name.begin(), name.end());
  if (alpha) return narrow;
  std::string quoted = "<";
  quoted += quotable ? narrow : NumericName(utoff_minutes);
  quoted += '>';
  return quoted;
}

// The offset to add to local time to reach UTC: the Windows bias itself.
std::string Offset(std::int64_t bias_minutes) {
  const std::int64_t a = std::llabs(bias_minutes);
  std::string out = bias_minutes < 0 ? "-" : "";
  out += std::to_string(a / 60);
  if (a % 60 != 0) {
    out += ':';
    out += TwoDigits(a % 60);
  }
  return out;
}

bool OffsetInRange(std::int64_t bias_minutes) { return std::llabs(bias_minutes) < 25 * 60; }

std::optional<std::string> Date(const win::SYSTEMTIME& st) {
  if (st.wMonth < 1 || st.wMonth > 12 || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 ||
      st.wMilliseconds > 999) {
    return std::nullopt;
  }
  std::string out;
  if (st.wYear == 0) {
    if (st.wDay < 1 || st.wDay > 5 || st.wDayOfWeek > 6) return std::nullopt;
    out = 'M';
    out += std::to_string(st.wMonth);
    out += '.';
    out += std::to_string(st.wDay);
    out += '.';
    out += std::to_string(st.wDayOfWeek);
  } else {
    if (st.wDay < 1 || st.wDay > DaysInMonth(st.wYear, st.wMonth)) return std::nullopt;
    if (st.wMonth == 2 && st.wDay == 29) {
      out = "59";  // Jn cannot name February 29; the zero-based form can
    } else {
      // Jn counts a 365-day year whatever the year, so use a common year.
      out = 'J';
      out +=
          std::to_string(DaysFromCivil(2001, st.wMonth, st.wDay) - DaysFromCivil(2001, 1, 1) + 1);
    }
  }
  // TZ strings count whole seconds. Rounding makes 23:59:59.999, Windows' way
  // of writing the midnight that ends a day, the 24:00 it stands for.
  const int time =
      st.wHour * 3600 + st.wMinute * 60 + st.wSecond + (st.wMilliseconds >= 500 ? 1 : 0);
  if (time != 2 * 3600) {
    out += '/';
    out += std::to_string(time / 3600);
    if (time % 3600 != 0) {
      out += ':';
      out += TwoDigits(time / 60 % 60);
    }
    if (time % 60 != 0) {
      out += ':';
      out += TwoDigits(time % 60);
    }
  }
  return out;
}

}  // namespace

std::optional<std::string> PosixTzFromRecord(const win::TIME_ZONE_INFORMATION& tzi) {
  const std::int64_t std_bias = std::int64_t{tzi.Bias} + tzi.StandardBias;
  if (!OffsetInRange(std_bias)) return std::nullopt;
  std::string out = Name(tzi.StandardName, -std_bias) + Offset(std_bias);

  // Windows' own test for a zone without daylight time is a zero month.
  if (tzi.DaylightDate.wMonth == 0 || tzi.DaylightBias == tzi.StandardBias) return out;
  if (tzi.StandardDate.wMonth == 0) return std::nullopt;
  const std::int64_t dst_bias = std::int64_t{tzi.Bias} + tzi.DaylightBias;
  if (!OffsetInRange(dst_bias)) return std::nullopt;
  const auto start = Date(tzi.DaylightDate);
  const auto end = Date(tzi.StandardDate);
  if (!start || !end) return std::nullopt;
  out += Name(tzi.DaylightName, -dst_bias);
  out += Offset(dst_bias);
  out += ',';
  out += *start;
  out += ',';
  out += *end;
  return out;
}

}  // namespace talvane::tz
