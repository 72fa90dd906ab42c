#include "tz/tzif_writer.h"

#include <string>

#include "tz/posix_tz.h"

namespace talvane::tz {
namespace {

// zic's "big bang": early enough for any instant a reader will ask about.
constexpr std::int64_t kFirstTransition = -(std::int64_t{1} << 59);

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutBlock(std::vector<std::uint8_t>& out, char version, int time_size, bool with_transition,
              std::int32_t utoff, const std::string& abbr) {
  const char magic[] = "TZif";
  out.insert(out.end(), magic, magic + 4);
  out.push_back(static_cast<std::uint8_t>(version));
  out.insert(out.end(), 15, 0);
  const std::uint32_t timecnt = with_transition ? 1 : 0;
  const std::uint32_t charcnt = static_cast<std::uint32_t>(abbr.size() + 1);
  // isutcnt, isstdcnt, leapcnt, timecnt, typecnt, charcnt
  for (const std::uint32_t count : {0u, 0u, 0u, timecnt, 1u, charcnt}) PutBigEndian(out, count, 4);
  if (with_transition) {
    PutBigEndian(out, static_cast<std::uint64_t>(kFirstTransition), time_size);
    out.push_back(0);  // into type 0
  }
  PutBigEndian(out, static_cast<std::uint32_t>(utoff), 4);
  out.push_back(0);  // not daylight time
  out.push_back(0);  // abbreviation at index 0
  out.insert(out.end(), abbr.begin(), abbr.end());
  out.push_back(0);
}

bool NeedsVersion3(const PosixDate& date) { return date.time < 0 || date.time >= 25 * 3600; }

}  // namespace

std::optional<std::vector<std::uint8_t>> MakeFooterOnlyTzif(std::string_view tz) {
  const auto parsed = ParsePosixTz(tz);
  if (!parsed) return std::nullopt;
  const char version =
      parsed->dst_type && (NeedsVersion3(parsed->dst_start) || NeedsVersion3(parsed->dst_end))
          ? '3'
          : '2';
  std::vector<std::uint8_t> out;
  const auto& std_type = parsed->std_type;
  PutBlock(out, version, 4, false, std_type.utoff, std_type.abbr);
  PutBlock(out, version, 8, true, std_type.utoff, std_type.abbr);
  out.push_back('\n');
  out.insert(out.end(), tz.begin(), tz.end());
  out.push_back('\n');
  return out;
}

}  // namespace talvane::tz
