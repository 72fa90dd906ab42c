#pragma once

#include <cstdint>
#include <ctime>
#include <functional>

namespace talvane::tz {

// Seconds since the Unix epoch. The system's clock in the programs; tests set
// their own to fix "this year".
using UtcClock = std::function<std::int64_t()>;

inline UtcClock SystemUtcClock() {
  return [] { return static_cast<std::int64_t>(std::time(nullptr)); };
}

}  // namespace talvane::tz
