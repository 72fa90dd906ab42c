// Writing a TZif file whose footer carries the whole zone, for handing a TZ
// string to programs that only take files (TZ=":/path", /etc/localtime).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace talvane::tz {

// A TZif file (version 2, or 3 when a rule time is outside 0..24 h, the RFC 9636
// extension) with the standard time of `tz` as its only local time type and
// `tz` as its footer. nullopt when `tz` does not parse.
//
// The 64-bit block has one transition, at -2^59, into that same type. It
// changes nothing, but glibc (2.36 at least) ignores the footer of a file
// without transitions and would show standard time all year.
std::optional<std::vector<std::uint8_t>> MakeFooterOnlyTzif(std::string_view tz);

}  // namespace talvane::tz
