#include "tz/posix_tz.h"

#include <algorithm>

#include "tz/civil_time.h"

namespace talvane::tz {
namespace {

constexpr std::int32_t kHour = 3600;

// Any failure rejects the whole string, so a failed step need not restore the
// position.
class Cursor {
 public:
  explicit Cursor(std::string_view s) : s_(s) {}

  bool Done() const { return pos_ == s_.size(); }
  char Peek() const { return Done() ? '\0' : s_[pos_]; }
  bool Consume(char c) {
    if (Done() || s_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  // An unsigned decimal of 1..max_digits digits within [0, max_value].
  std::optional<int> Number(int max_digits, int max_value) {
    int value = 0;
    int digits = 0;
    while (!Done() && IsDigit(s_[pos_]) && digits < max_digits) {
      value = value * 10 + (s_[pos_] - '0');
      ++pos_;
      ++digits;
    }
    // A further digit would make the number longer than allowed.
    if (digits == 0 || (!Done() && IsDigit(s_[pos_])) || value > max_value) return std::nullopt;
    return value;
  }

  // std or dst: at least three letters, or at least three of [A-Za-z0-9+-]
  // between angle brackets. The brackets do not belong to the abbreviation.
  std::optional<std::string> Name() {
    std::string name;
    if (Consume('<')) {
      while (!Done() && IsQuotedChar(s_[pos_])) name += s_[pos_++];
      if (!Consume('>')) return std::nullopt;
    } else {
      while (!Done() && IsAlpha(s_[pos_])) name += s_[pos_++];
    }
    if (name.size() < 3) return std::nullopt;
    return name;
  }

  // [+-]hh[:mm[:ss]] in seconds, hours limited to max_hours.
  std::optional<std::int32_t> SignedHms(int max_hour_digits, int max_hours) {
    std::int32_t sign = 1;
    if (Consume('-')) {
      sign = -1;
    } else {
      Consume('+');
    }
    const auto h = Number(max_hour_digits, max_hours);
    if (!h) return std::nullopt;
    std::int32_t seconds = *h * kHour;
    if (Consume(':')) {
      const auto m = Number(2, 59);
      if (!m) return std::nullopt;
      seconds += *m * 60;
      if (Consume(':')) {
        const auto sec = Number(2, 59);
        if (!sec) return std::nullopt;
        seconds += *sec;
      }
    }
    return sign * seconds;
  }

  std::optional<PosixDate> Date() {
    PosixDate date;
    if (Consume('J')) {
      const auto n = Number(3, 365);
      if (!n || *n < 1) return std::nullopt;
      date.form = PosixDate::Form::kJulianNoLeap;
      date.day = *n;
    } else if (Consume('M')) {
      const auto m = Number(2, 12);
      if (!m || *m < 1 || !Consume('.')) return std::nullopt;
      const auto w = Number(1, 5);
      if (!w || *w < 1 || !Consume('.')) return std::nullopt;
      const auto d = Number(1, 6);
      if (!d) return std::nullopt;
      date.form = PosixDate::Form::kMonthWeekDay;
      date.month = *m;
      date.week = *w;
      date.weekday = *d;
    } else {
      const auto n = Number(3, 365);
      if (!n) return std::nullopt;
      date.form = PosixDate::Form::kDayOfYear;
      date.day = *n;
    }
    if (Consume('/')) {
      const auto t = SignedHms(3, 167);
      if (!t) return std::nullopt;
      date.time = *t;
    }
    return date;
  }

 private:
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
  static bool IsQuotedChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '+' || c == '-'; }

  std::string_view s_;
  std::size_t pos_ = 0;
};

// Day of `year` (0 = January 1) on which the rule date falls.
std::int64_t DayInYear(const PosixDate& date, std::int64_t year) {
  switch (date.form) {
    case PosixDate::Form::kJulianNoLeap:
      // J60 is March 1 in every year, so leap years shift it by one day.
      return date.day - 1 + (IsLeapYear(year) && date.day >= 60 ? 1 : 0);
    case PosixDate::Form::kDayOfYear:
      return date.day;
    case PosixDate::Form::kMonthWeekDay:
      break;
  }
  const std::int64_t first = DaysFromCivil(year, date.month, 1);
  const int first_weekday = WeekdayFromDays(first);
  int day = 1 + (date.weekday - first_weekday + 7) % 7 + (date.week - 1) * 7;
  // Week 5 means the last such weekday, which may be the 4th.
  if (day > DaysInMonth(year, date.month)) day -= 7;
  return first + day - 1 - DaysFromCivil(year, 1, 1);
}

// Rule evaluation works in whole years; instants this far out (over a million
// years) only come from hostile or synthetic input and are clamped.
constexpr std::int64_t kClamp = std::int64_t{1} << 45;

}  // namespace

std::optional<PosixTz> ParsePosixTz(std::string_view text) {
  Cursor in(text);
  PosixTz tz;
  auto std_name = in.Name();
  if (!std_name) return std::nullopt;
  const auto std_offset = in.SignedHms(2, 24);
  if (!std_offset) return std::nullopt;
  tz.std_type = {-*std_offset, false, std::move(*std_name)};
  if (in.Done()) return tz;

  auto dst_name = in.Name();
  if (!dst_name) return std::nullopt;
  std::int32_t dst_utoff = tz.std_type.utoff + kHour;
  if (in.Peek() != ',') {
    const auto dst_offset = in.SignedHms(2, 24);
    if (!dst_offset) return std::nullopt;
    dst_utoff = -*dst_offset;
  }
  if (!in.Consume(',')) return std::nullopt;
  const auto start = in.Date();
  if (!start || !in.Consume(',')) return std::nullopt;
  const auto end = in.Date();
  if (!end || !in.Done()) return std::nullopt;
  tz.dst_type = LocalTimeType{dst_utoff, true, std::move(*dst_name)};
  tz.dst_start = *start;
  tz.dst_end = *end;
  return tz;
}

DstTransitions DstTransitionsInYear(const PosixTz& tz, std::int64_t year) {
  const std::int64_t year_start = YearStart(year);
  const std::int64_t start_local =
      year_start + DayInYear(tz.dst_start, year) * kSecondsPerDay + tz.dst_start.time;
  const std::int64_t end_local =
      year_start + DayInYear(tz.dst_end, year) * kSecondsPerDay + tz.dst_end.time;
  return {start_local - tz.std_type.utoff, end_local - tz.dst_type->utoff};
}

bool IsDstAt(const PosixTz& tz, std::int64_t t) {
  if (!tz.dst_type) return false;
  t = std::clamp(t, -kClamp, kClamp);
  const std::int64_t year = YearOf(t);
  // Rule times reach at most a week past their day and offsets a day, so only
  // the neighbouring years' periods can reach into this one.
  const bool northern = [&] {
    const DstTransitions tr = DstTransitionsInYear(tz, year);
    // Equal instants make an empty daylight period, as glibc reads them.
    return tr.start <= tr.end;
  }();
  for (std::int64_t y = year - 1; y <= year + 1; ++y) {
    const DstTransitions tr = DstTransitionsInYear(tz, y);
    if (northern) {
      if (tr.start <= t && t < tr.end) return true;
    } else if (tr.end <= t && t < tr.start) {
      return false;
    }
  }
  return !northern;
}

const LocalTimeType& TypeAt(const PosixTz& tz, std::int64_t t) {
  return IsDstAt(tz, t) ? *tz.dst_type : tz.std_type;
}

std::vector<std::int64_t> ChangesBetween(const PosixTz& tz, std::int64_t from, std::int64_t to) {
  std::vector<std::int64_t> changes;
  if (!tz.dst_type || from >= to) return changes;
  from = std::clamp(from, -kClamp, kClamp);
  to = std::clamp(to, -kClamp, kClamp);
  for (std::int64_t y = YearOf(from) - 1; y <= YearOf(to) + 1; ++y) {
    const DstTransitions tr = DstTransitionsInYear(tz, y);
    for (const std::int64_t c : {tr.start, tr.end}) {
      // A start that meets the previous end is no change at all.
      if (c >= from && c < to && IsDstAt(tz, c - 1) != IsDstAt(tz, c)) changes.push_back(c);
    }
  }
  std::sort(changes.begin(), changes.end());
  changes.erase(std::unique(changes.begin(), changes.end()), changes.end());
  return changes;
}

}  // namespace talvane::tz
