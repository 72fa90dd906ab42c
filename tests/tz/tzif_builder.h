// Builds TZif bytes from a plain description, independently of the library's
// writer, so tests can make files with exactly one thing wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace talvane::tz::testing {

struct RawType {
  std::int32_t utoff;
  std::uint8_t isdst;
  std::uint8_t abbr_index;
};

struct RawLeap {
  std::int64_t occurrence;
  std::int32_t correction;
};

struct TzifLayout {
  char version = '2';  // '\0' for version 1
  std::vector<std::int64_t> times;
  std::vector<std::uint8_t> type_indexes;
  std::vector<RawType> types;
  std::string chars;  // abbreviations with their NULs
  std::vector<RawLeap> leaps;
  std::vector<std::uint8_t> isstd;
  std::vector<std::uint8_t> isut;
  std::string footer;  // version 2+: written as "\n" footer "\n"
};

// Version 1: the layout's data in the only block. Version 2+: a minimal 32-bit
// block (type 0 and the chars) then the layout's data with 64-bit times.
std::vector<std::uint8_t> BuildTzif(const TzifLayout& layout);

// Header fields by position, for overwriting counts in built files.
enum class Count { kIsUt = 0, kIsStd, kLeap, kTime, kType, kChar };

// Byte offset of the 64-bit block's header in a version 2+ file built above.
std::size_t SecondHeaderOffset(const TzifLayout& layout);

void SetCount(std::vector<std::uint8_t>& bytes, std::size_t header_offset, Count count,
              std::uint32_t value);

// A plausible zone: New York's EST/EDT with two transitions in 2026, the v2
// footer, and isstd/isut indicators.
TzifLayout NewYorkLikeLayout();

}  // namespace talvane::tz::testing
