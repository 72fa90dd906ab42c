#include "tz/tzif_timeline.h"

#include <algorithm>
#include <limits>

namespace talvane::tz {

const LocalTimeType& LocalTypeAt(const Tzif& zone, std::int64_t t) {
  const auto& times = zone.transition_times;
  // RFC 8536: with no transitions the footer, when present, covers all time.
  if (times.empty()) return zone.footer_rule ? TypeAt(*zone.footer_rule, t) : zone.types[0];
  if (t < times.front()) return zone.types[0];
  // From the last transition on the footer rules, as glibc reads it. Without a
  // footer the last type simply continues.
  if (t >= times.back() && zone.footer_rule) return TypeAt(*zone.footer_rule, t);
  const auto next = std::upper_bound(times.begin(), times.end(), t);
  return zone.types[zone.transition_types[static_cast<std::size_t>(next - times.begin()) - 1]];
}

std::vector<TypeChange> TypeChangesBetween(const Tzif& zone, std::int64_t from, std::int64_t to) {
  std::vector<std::int64_t> candidates;
  const auto& times = zone.transition_times;
  for (auto it = std::lower_bound(times.begin(), times.end(), from); it != times.end() && *it < to;
       ++it) {
    candidates.push_back(*it);
  }
  if (zone.footer_rule) {
    const std::int64_t footer_from = times.empty() ? from : std::max(from, times.back());
    if (footer_from < to) {
      const auto rule_changes = ChangesBetween(*zone.footer_rule, footer_from, to);
      candidates.insert(candidates.end(), rule_changes.begin(), rule_changes.end());
    }
  }
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

  std::vector<TypeChange> changes;
  for (const std::int64_t at : candidates) {
    if (at == std::numeric_limits<std::int64_t>::min())
      continue;  // nothing before it to differ from
    const LocalTimeType& after = LocalTypeAt(zone, at);
    if (after != LocalTypeAt(zone, at - 1)) changes.push_back({at, after});
  }
  return changes;
}

}  // namespace talvane::tz
