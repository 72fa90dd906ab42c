#include "tests/tz/tzif_builder.h"

namespace talvane::tz::testing {
namespace {

void Put(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutHeader(std::vector<std::uint8_t>& out, char version, std::size_t isut, std::size_t isstd,
               std::size_t leap, std::size_t time, std::size_t type, std::size_t chars) {
  out.insert(out.end(), {'T', 'Z', 'i', 'f'});
  out.push_back(static_cast<std::uint8_t>(version));
  out.insert(out.end(), 15, 0);
  for (const std::size_t c : {isut, isstd, leap, time, type, chars}) Put(out, c, 4);
}

void PutTypesAndChars(std::vector<std::uint8_t>& out, const std::vector<RawType>& types,
                      const std::string& chars) {
  for (const auto& t : types) {
    Put(out, static_cast<std::uint32_t>(t.utoff), 4);
    out.push_back(t.isdst);
    out.push_back(t.abbr_index);
  }
  out.insert(out.end(), chars.begin(), chars.end());
}

void PutBlock(std::vector<std::uint8_t>& out, const TzifLayout& s, int time_size) {
  PutHeader(out, s.version, s.isut.size(), s.isstd.size(), s.leaps.size(), s.times.size(),
            s.types.size(), s.chars.size());
  for (const auto t : s.times) Put(out, static_cast<std::uint64_t>(t), time_size);
  out.insert(out.end(), s.type_indexes.begin(), s.type_indexes.end());
  PutTypesAndChars(out, s.types, s.chars);
  for (const auto& l : s.leaps) {
    Put(out, static_cast<std::uint64_t>(l.occurrence), time_size);
    Put(out, static_cast<std::uint32_t>(l.correction), 4);
  }
  out.insert(out.end(), s.isstd.begin(), s.isstd.end());
  out.insert(out.end(), s.isut.begin(), s.isut.end());
}

std::vector<std::uint8_t> MinimalV1Block(const TzifLayout& s) {
  std::vector<std::uint8_t> out;
  const std::vector<RawType> first{s.types.empty() ? RawType{0, 0, 0} : s.types.front()};
  PutHeader(out, s.version, 0, 0, 0, 0, 1, s.chars.size());
  PutTypesAndChars(out, first, s.chars);
  return out;
}

}  // namespace

std::vector<std::uint8_t> BuildTzif(const TzifLayout& layout) {
  std::vector<std::uint8_t> out;
  if (layout.version == '\0') {
    PutBlock(out, layout, 4);
    return out;
  }
  out = MinimalV1Block(layout);
  PutBlock(out, layout, 8);
  out.push_back('\n');
  out.insert(out.end(), layout.footer.begin(), layout.footer.end());
  out.push_back('\n');
  return out;
}

std::size_t SecondHeaderOffset(const TzifLayout& layout) { return MinimalV1Block(layout).size(); }

void SetCount(std::vector<std::uint8_t>& bytes, std::size_t header_offset, Count count,
              std::uint32_t value) {
  const std::size_t at = header_offset + 20 + 4 * static_cast<std::size_t>(count);
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
}

TzifLayout NewYorkLikeLayout() {
  TzifLayout s;
  s.version = '2';
  s.times = {1772953200, 1793512800};  // 2026-03-08 07:00 UTC, 2026-11-01 06:00 UTC
  s.type_indexes = {1, 0};
  s.types = {{-18000, 0, 0}, {-14400, 1, 4}};
  s.chars = std::string("EST\0EDT\0", 8);
  s.isstd = {0, 0};
  s.isut = {0, 0};
  s.footer = "EST5EDT,M3.2.0,M11.1.0";
  return s;
}

}  // namespace talvane::tz::testing
