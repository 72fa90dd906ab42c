// Feeds arbitrary text to the TZ-string parser, and what it accepts to the
// rule arithmetic and to the writer of footer-only TZif files, whose output
// must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tz/posix_tz.h"
#include "tz/tzif_reader.h"
#include "tz/tzif_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto tz = talvane::tz::ParsePosixTz(text);
  if (!tz) return 0;
  if (tz->dst_type) {
    for (std::int64_t year : {1601, 1970, 2026, 30827})
      talvane::tz::DstTransitionsInYear(*tz, year);
  }
  talvane::tz::ChangesBetween(*tz, 0, 4 * 366 * 86400);
  talvane::tz::TypeAt(*tz, 1784073600);
  if (auto file = talvane::tz::MakeFooterOnlyTzif(text)) {
    // What the program writes, it must be able to read again.
    if (!talvane::tz::ReadTzif(*file)) std::abort();
  }
  return 0;
}
