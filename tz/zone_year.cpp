#include "tz/zone_year.h"

#include <algorithm>
#include <vector>

#include "tz/civil_time.h"
#include "tz/tzif_timeline.h"

namespace talvane::tz {
namespace {

struct Shift {
  std::int64_t at;
  LocalTimeType before;
  LocalTimeType after;
};

// The year's changes of offset, and whether anything else changed besides.
struct YearShifts {
  std::vector<Shift> shifts;
  LocalTimeType first;  // in force as the year begins
  LocalTimeType last;   // in force as it ends
  bool names_changed = false;
};

YearShifts CollectShifts(const LocalTimeType& first, const std::vector<TypeChange>& changes) {
  YearShifts out{{}, first, first, false};
  for (const auto& change : changes) {
    if (change.type.utoff != out.last.utoff) {
      out.shifts.push_back({change.at, out.last, change.type});
    } else {
      out.names_changed = true;
    }
    out.last = change.type;
  }
  return out;
}

// The date as "the n-th weekday of its month". Only days 29..31 give n = 5,
// and those are always the last such weekday, which is what Windows' 5 means.
// A change at the midnight that ends the year (Asia/Dhaka, 2009) would read as
// January, so it is written as Windows writes it, the year's last millisecond.
win::SYSTEMTIME RuleDate(std::int64_t local, int week, int year) {
  const bool year_end = local == YearStart(year + 1);
  if (year_end) --local;
  const CivilSecond c = CivilFromSeconds(local);
  win::SYSTEMTIME st{};
  st.wMonth = static_cast<win::WORD>(c.date.month);
  st.wDayOfWeek = static_cast<win::WORD>(WeekdayFromDays(FloorDiv(local, kSecondsPerDay)));
  st.wDay = static_cast<win::WORD>(week != 0 ? week : (c.date.day - 1) / 7 + 1);
  st.wHour = static_cast<win::WORD>(c.hour);
  st.wMinute = static_cast<win::WORD>(c.minute);
  st.wSecond = static_cast<win::WORD>(c.second);
  st.wMilliseconds = year_end ? 999 : 0;
  return st;
}

// The footer's week for this change when its Mm.w.d rule lands on exactly this
// instant and on the same date (time within the day). Keeping its "5" for a
// last Sunday that happens to be the 4th this year makes the record right in
// other years too. 0 when the footer does not describe this change.
int FooterWeek(const Tzif& zone, const LocalTimeType& std_type, const LocalTimeType& dst_type,
               std::int64_t at, bool dst_start, int year) {
  if (!zone.footer_rule || !zone.footer_rule->dst_type) return 0;
  const PosixTz& rule = *zone.footer_rule;
  if (rule.std_type.utoff != std_type.utoff || rule.dst_type->utoff != dst_type.utoff) return 0;
  const PosixDate& date = dst_start ? rule.dst_start : rule.dst_end;
  if (date.form != PosixDate::Form::kMonthWeekDay || date.time < 0 || date.time >= kSecondsPerDay) {
    return 0;
  }
  const DstTransitions tr = DstTransitionsInYear(rule, year);
  return (dst_start ? tr.start : tr.end) == at ? date.week : 0;
}

ZoneRecord NoDaylightRecord(const LocalTimeType& type) {
  ZoneRecord r;
  r.tzi.Bias = -type.utoff / 60;
  r.std_name = type.abbr;
  r.dlt_name = type.abbr;
  return r;
}

ZoneRecord DaylightRecord(const Tzif& zone, int year, const LocalTimeType& std_type,
                          const LocalTimeType& dst_type, std::int64_t dst_start,
                          std::int64_t dst_end) {
  ZoneRecord r;
  r.tzi.Bias = -std_type.utoff / 60;
  r.tzi.DaylightBias = -(dst_type.utoff - std_type.utoff) / 60;
  // Windows reads DaylightDate in standard time and StandardDate in daylight time.
  r.tzi.DaylightDate = RuleDate(dst_start + std_type.utoff,
                                FooterWeek(zone, std_type, dst_type, dst_start, true, year), year);
  r.tzi.StandardDate = RuleDate(dst_end + dst_type.utoff,
                                FooterWeek(zone, std_type, dst_type, dst_end, false, year), year);
  r.std_name = std_type.abbr;
  r.dlt_name = dst_type.abbr;
  return r;
}

struct Described {
  ZoneRecord record;
  Fit fit;
};

// A record for the year if one yearly rule can hold it.
Described Describe(const Tzif& zone, int year, const YearShifts& y) {
  const Fit name_fit = y.names_changed ? Fit::kNameChange : Fit::kExact;
  if (y.shifts.empty()) return {NoDaylightRecord(y.last), name_fit};
  if (y.shifts.size() == 2 && y.shifts[0].before.utoff == y.shifts[1].after.utoff) {
    const LocalTimeType& outer = y.shifts[0].before;
    const LocalTimeType& inner = y.shifts[0].after;
    // A second shift that does not simply swap the two types back brings a
    // name the record cannot hold.
    const bool same_types = y.shifts[1].before == inner && y.shifts[1].after == outer;
    const Fit fit = same_types ? name_fit : Fit::kNameChange;
    const bool inner_is_dst =
        inner.is_dst != outer.is_dst ? inner.is_dst : inner.utoff > outer.utoff;
    if (inner_is_dst) {
      return {DaylightRecord(zone, year, outer, inner, y.shifts[0].at, y.shifts[1].at), fit};
    }
    // Daylight time spans the new year (southern hemisphere): it ends first.
    return {DaylightRecord(zone, year, inner, outer, y.shifts[1].at, y.shifts[0].at), fit};
  }
  return {NoDaylightRecord(y.last),
          y.shifts.size() > 2 ? Fit::kTooManyChanges : Fit::kOffsetChange};
}

bool WholeMinutes(const YearShifts& y) {
  if (y.first.utoff % 60 != 0) return false;
  return std::all_of(y.shifts.begin(), y.shifts.end(),
                     [](const Shift& s) { return s.after.utoff % 60 == 0; });
}

}  // namespace

std::string_view FitName(Fit fit) {
  switch (fit) {
    case Fit::kExact:
      return "exact";
    case Fit::kOffsetChange:
      return "offset change";
    case Fit::kTooManyChanges:
      return "too many changes";
    case Fit::kNameChange:
      return "name change";
    case Fit::kSubMinuteOffset:
      return "sub-minute offset";
  }
  return "?";
}

std::optional<ZoneYear> ZoneRecordForYear(const Tzif& zone, int year) {
  if (year < kMinYear || year > kMaxYear) return std::nullopt;
  const std::int64_t from = YearStart(year);
  const std::int64_t to = YearStart(year + 1);

  const YearShifts shifts =
      CollectShifts(LocalTypeAt(zone, from), TypeChangesBetween(zone, from, to));
  Described d = Describe(zone, year, shifts);
  if ((d.fit == Fit::kOffsetChange || d.fit == Fit::kTooManyChanges) && zone.footer_rule) {
    // Nothing fits; the zone's current rule is the best single description.
    const PosixTz& rule = *zone.footer_rule;
    std::vector<TypeChange> rule_changes;
    for (const std::int64_t at : ChangesBetween(rule, from, to)) {
      rule_changes.push_back({at, TypeAt(rule, at)});
    }
    const Described fallback =
        Describe(zone, year, CollectShifts(TypeAt(rule, from), rule_changes));
    if (fallback.fit == Fit::kExact) d.record = fallback.record;
  }
  if (d.fit == Fit::kExact && !WholeMinutes(shifts)) d.fit = Fit::kSubMinuteOffset;
  return ZoneYear{std::move(d.record), d.fit, static_cast<int>(shifts.shifts.size())};
}

win::DWORD CurrentZoneId(const Tzif& zone, std::int64_t t) {
  const std::int64_t year = std::clamp<std::int64_t>(YearOf(t), kMinYear, kMaxYear);
  const auto zy = ZoneRecordForYear(zone, static_cast<int>(year));
  if (!zy || zy->record.tzi.DaylightDate.wMonth == 0) return win::TIME_ZONE_ID_UNKNOWN;
  const win::LONG daylight_bias = zy->record.tzi.Bias + zy->record.tzi.DaylightBias;
  return LocalTypeAt(zone, t).utoff == -daylight_bias * 60 ? win::TIME_ZONE_ID_DAYLIGHT
                                                           : win::TIME_ZONE_ID_STANDARD;
}

}  // namespace talvane::tz
