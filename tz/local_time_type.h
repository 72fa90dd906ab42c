// One kind of local time a zone can be in: its offset from UTC, whether it is
// daylight saving time, and its abbreviation ("EET", "EEST", "+0545").
#pragma once

#include <cstdint>
#include <string>

namespace talvane::tz {

struct LocalTimeType {
  std::int32_t utoff = 0;  // seconds east of UTC
  bool is_dst = false;
  std::string abbr;

  friend bool operator==(const LocalTimeType&, const LocalTimeType&) = default;
};

}  // namespace talvane::tz
