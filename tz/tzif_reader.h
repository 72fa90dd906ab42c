// Reading TZif files (RFC 8536, RFC 9636), versions 1 to 4, the format of the
// files under /usr/share/zoneinfo.
//
// A file is a header, a data block with 32-bit times and, from version 2 on, a
// second header and data block with 64-bit times followed by a footer holding a
// POSIX TZ string for the times after the last transition:
//
//   "TZif" version(1) reserved(15)
//   isutcnt isstdcnt leapcnt timecnt typecnt charcnt     (each 32-bit big-endian)
//   transition times[timecnt]         4 or 8 bytes each, strictly ascending
//   transition types[timecnt]         1 byte each, index into the types
//   local time types[typecnt]         utoff(4) isdst(1) abbreviation index(1)
//   abbreviation chars[charcnt]       NUL-terminated strings
//   leap seconds[leapcnt]             occurrence(4 or 8) correction(4)
//   standard/wall indicators[isstdcnt], UT/local indicators[isutcnt]
//   (version 2+: the same again with 8-byte times, then "\n" TZ string "\n")
//
// Worked example, the file this program writes for "EST5EDT,M3.2.0,M11.1.0"
// (see tzif_writer.h): version '2'; the 32-bit block has no transitions, one
// type (utoff -18000, isdst 0, abbreviation index 0) and the 4 chars "EST\0";
// the 64-bit block is the same plus one transition at -2^59 to type 0; the
// footer is "\nEST5EDT,M3.2.0,M11.1.0\n". Every instant from -2^59 on takes its
// local time from the footer's rule.
//
// Files are untrusted: ReadTzif never reads outside the buffer, and returns
// nullopt for anything malformed rather than guessing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tz/local_time_type.h"
#include "tz/posix_tz.h"

namespace talvane::tz {

struct LeapSecond {
  std::int64_t occurrence;
  std::int32_t correction;
};

struct Tzif {
  int version = 1;                             // 1..4
  std::vector<std::int64_t> transition_times;  // UTC seconds, strictly ascending
  std::vector<std::uint8_t> transition_types;  // index into types, one per time
  std::vector<LocalTimeType> types;  // never empty; types[0] applies before any transition
  std::vector<LeapSecond> leap_seconds;
  std::string footer;                  // empty when the file has none
  std::optional<PosixTz> footer_rule;  // the parsed footer, set when footer is not empty
};

std::optional<Tzif> ReadTzif(std::span<const std::uint8_t> bytes);

// Real files are under 4 KiB; the cap keeps a wrong path (a device, a huge
// file) from being read into memory.
inline constexpr std::uintmax_t kMaxTzifFileSize = std::uintmax_t{4} << 20;

// A file's bytes; nullopt when it can't be read or is larger than the cap.
std::optional<std::vector<std::uint8_t>> ReadZoneFileBytes(const std::filesystem::path& path);
std::optional<Tzif> ReadTzifFile(const std::filesystem::path& path);

}  // namespace talvane::tz
