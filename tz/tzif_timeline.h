// What a TZif file says about given instants: the explicit transitions up to
// the last one, the footer's rule after it. Where the two disagree, the
// transitions win: Africa/Casablanca's footer "<+01>-1" knows nothing of the
// Ramadan changes its transitions list up to 2087.
#pragma once

#include <cstdint>
#include <vector>

#include "tz/local_time_type.h"
#include "tz/tzif_reader.h"

namespace talvane::tz {

// The local time type in force at UTC instant `t`.
const LocalTimeType& LocalTypeAt(const Tzif& zone, std::int64_t t);

struct TypeChange {
  std::int64_t at;     // UTC
  LocalTimeType type;  // in force from `at` on
};

// Every instant in [from, to) where the local time type differs from the one
// just before it, ascending. Transitions that repeat the type in force (zic
// writes some) are not changes and are left out.
std::vector<TypeChange> TypeChangesBetween(const Tzif& zone, std::int64_t from, std::int64_t to);

}  // namespace talvane::tz
