#include "tz/tzif_reader.h"

#include <fstream>
#include <limits>

namespace talvane::tz {
namespace {

constexpr std::size_t kHeaderSize = 44;

// Bounds on the header counts. The format itself allows 2^32 - 1 of each; real
// files hold a few hundred transitions and a dozen types. The bounds keep a
// hostile header from making us allocate gigabytes before the length check.
constexpr std::uint32_t kMaxTransitions = 1'000'000;
// A transition names its type in one byte, so more types could never be used.
constexpr std::uint32_t kMaxTypes = 256;
constexpr std::uint32_t kMaxChars = 65'536;
constexpr std::uint32_t kMaxLeapSeconds = 100'000;

// RFC 9636: utoff must not be -2^31 (its negation overflows) and should lie
// strictly between -25 h and +26 h; zic never writes anything outside.
constexpr std::int32_t kMinUtoff = -89'999;
constexpr std::int32_t kMaxUtoff = 93'599;

// Reads big-endian values; every read is checked against the end of the buffer.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t Remaining() const { return bytes_.size() - pos_; }

  bool Skip(std::uint64_t n) {
    if (n > Remaining()) return false;
    pos_ += static_cast<std::size_t>(n);
    return true;
  }

  std::optional<std::uint8_t> U8() {
    if (Remaining() < 1) return std::nullopt;
    return bytes_[pos_++];
  }

  std::optional<std::uint32_t> U32() {
    if (Remaining() < 4) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | bytes_[pos_++];
    return v;
  }

  std::optional<std::int32_t> I32() {
    const auto v = U32();
    if (!v) return std::nullopt;
    return static_cast<std::int32_t>(*v);  // two's complement, as the format stores it
  }

  std::optional<std::int64_t> I64() {
    if (Remaining() < 8) return std::nullopt;
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | bytes_[pos_++];
    return static_cast<std::int64_t>(v);
  }

  std::optional<std::int64_t> Time(int size) {
    if (size == 8) return I64();
    const auto v = I32();
    if (!v) return std::nullopt;
    return *v;
  }

  std::span<const std::uint8_t> Take(std::size_t n) {
    auto s = bytes_.subspan(pos_, n);  // callers check Remaining() first
    pos_ += n;
    return s;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

struct Header {
  int version;
  std::uint32_t isutcnt, isstdcnt, leapcnt, timecnt, typecnt, charcnt;
};

std::optional<Header> ReadHeader(ByteReader& in) {
  if (in.Remaining() < kHeaderSize) return std::nullopt;
  const auto magic = in.Take(4);
  if (magic[0] != 'T' || magic[1] != 'Z' || magic[2] != 'i' || magic[3] != 'f') return std::nullopt;
  Header h{};
  const std::uint8_t version = *in.U8();
  // Version 1 is a NUL byte. A later version may change what the data means,
  // so it is refused rather than half understood.
  if (version == 0) {
    h.version = 1;
  } else if (version >= '2' && version <= '4') {
    h.version = version - '0';
  } else {
    return std::nullopt;
  }
  in.Skip(15);  // reserved
  h.isutcnt = *in.U32();
  h.isstdcnt = *in.U32();
  h.leapcnt = *in.U32();
  h.timecnt = *in.U32();
  h.typecnt = *in.U32();
  h.charcnt = *in.U32();
  // Every instant needs a local time type, and every type an abbreviation.
  if (h.typecnt == 0 || h.charcnt == 0) return std::nullopt;
  if (h.timecnt > kMaxTransitions || h.typecnt > kMaxTypes || h.charcnt > kMaxChars ||
      h.leapcnt > kMaxLeapSeconds) {
    return std::nullopt;
  }
  // The indicator arrays either are absent or give one indicator per type.
  if ((h.isutcnt != 0 && h.isutcnt != h.typecnt) || (h.isstdcnt != 0 && h.isstdcnt != h.typecnt)) {
    return std::nullopt;
  }
  return h;
}

std::uint64_t DataBlockSize(const Header& h, int time_size) {
  // 64-bit arithmetic on counts bounded above cannot overflow.
  return std::uint64_t{h.timecnt} * (time_size + 1) + std::uint64_t{h.typecnt} * 6 + h.charcnt +
         std::uint64_t{h.leapcnt} * (time_size + 4) + h.isstdcnt + h.isutcnt;
}

// Abbreviations end up in window titles and in TZ strings we write, so only
// printable ASCII is accepted.
bool IsPrintable(std::uint8_t c) { return c >= 0x20 && c < 0x7f; }

bool ReadDataBlock(ByteReader& in, const Header& h, int time_size, Tzif& out) {
  // The whole block must be present before anything is allocated for it.
  if (DataBlockSize(h, time_size) > in.Remaining()) return false;

  out.transition_times.resize(h.timecnt);
  for (auto& t : out.transition_times) t = *in.Time(time_size);
  // Lookups bisect the transitions, which only works if they are sorted;
  // equal times would leave the type at that instant ambiguous.
  for (std::size_t i = 1; i < out.transition_times.size(); ++i) {
    if (out.transition_times[i] <= out.transition_times[i - 1]) return false;
  }

  out.transition_types.resize(h.timecnt);
  for (auto& type : out.transition_types) {
    type = *in.U8();
    if (type >= h.typecnt) return false;  // would index past the types
  }

  struct RawType {
    std::int32_t utoff;
    std::uint8_t isdst;
    std::uint8_t abbr_index;
  };
  std::vector<RawType> raw(h.typecnt);
  for (auto& r : raw) {
    r.utoff = *in.I32();
    r.isdst = *in.U8();
    r.abbr_index = *in.U8();
    if (r.utoff < kMinUtoff || r.utoff > kMaxUtoff) return false;
    if (r.isdst > 1) return false;  // a boolean
  }

  const auto chars = in.Take(h.charcnt);
  out.types.clear();
  for (const auto& r : raw) {
    // The abbreviation starts inside the char block and its NUL must be in
    // there too, or reading it would run off the block.
    if (r.abbr_index >= chars.size()) return false;
    std::string abbr;
    std::size_t i = r.abbr_index;
    for (; i < chars.size() && chars[i] != 0; ++i) {
      if (!IsPrintable(chars[i])) return false;
      abbr += static_cast<char>(chars[i]);
    }
    if (i == chars.size()) return false;
    out.types.push_back({r.utoff, r.isdst == 1, std::move(abbr)});
  }

  out.leap_seconds.resize(h.leapcnt);
  for (std::size_t i = 0; i < out.leap_seconds.size(); ++i) {
    auto& leap = out.leap_seconds[i];
    leap.occurrence = *in.Time(time_size);
    leap.correction = *in.I32();
    // Leap seconds began after the epoch and come in time order, one second
    // of correction at a time. From version 4 a last record that repeats the
    // correction marks when the table expires.
    if (i == 0) {
      if (leap.occurrence < 0) return false;
    } else {
      const auto& prev = out.leap_seconds[i - 1];
      if (leap.occurrence <= prev.occurrence) return false;
      const std::int64_t step = std::int64_t{leap.correction} - prev.correction;
      const bool expiry = step == 0 && out.version >= 4 && i + 1 == out.leap_seconds.size();
      if (step != 1 && step != -1 && !expiry) return false;
    }
  }

  // Indicators are booleans, and a UT indicator implies a standard one.
  std::vector<std::uint8_t> isstd(h.isstdcnt);
  for (auto& v : isstd) {
    v = *in.U8();
    if (v > 1) return false;
  }
  for (std::uint32_t i = 0; i < h.isutcnt; ++i) {
    const std::uint8_t v = *in.U8();
    if (v > 1) return false;
    if (v == 1 && (isstd.empty() || isstd[i] != 1)) return false;
  }
  return true;
}

}  // namespace

std::optional<Tzif> ReadTzif(std::span<const std::uint8_t> bytes) {
  ByteReader in(bytes);
  const auto v1 = ReadHeader(in);
  if (!v1) return std::nullopt;

  Tzif out;
  out.version = v1->version;
  if (v1->version == 1) {
    if (!ReadDataBlock(in, *v1, 4, out)) return std::nullopt;
    // Anything after the data means the counts do not describe this file.
    if (in.Remaining() != 0) return std::nullopt;
    return out;
  }

  // Version 2+: the 32-bit block is only for old readers; skip it.
  if (!in.Skip(DataBlockSize(*v1, 4))) return std::nullopt;
  const auto v2 = ReadHeader(in);
  // Both headers describe one file and must agree on its version.
  if (!v2 || v2->version != v1->version) return std::nullopt;
  if (!ReadDataBlock(in, *v2, 8, out)) return std::nullopt;

  // The footer is "\n" TZ-string "\n" and ends the file.
  if (in.Remaining() < 2 || *in.U8() != '\n') return std::nullopt;
  const auto rest = in.Take(in.Remaining());
  if (rest.back() != '\n') return std::nullopt;
  for (std::size_t i = 0; i + 1 < rest.size(); ++i) {
    if (!IsPrintable(rest[i])) return std::nullopt;  // also rejects a second newline
    out.footer += static_cast<char>(rest[i]);
  }
  if (!out.footer.empty()) {
    // Times after the last transition depend on the footer, so one that does
    // not parse leaves them undefined.
    out.footer_rule = ParsePosixTz(out.footer);
    if (!out.footer_rule) return std::nullopt;
  }
  return out;
}

std::optional<std::vector<std::uint8_t>> ReadZoneFileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  // Read one byte past the cap so an oversized file is detected, not truncated.
  std::vector<char> chunk(64 * 1024);
  while (file && bytes.size() <= kMaxTzifFileSize) {
    file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + file.gcount());
  }
  if (bytes.size() > kMaxTzifFileSize || file.bad()) return std::nullopt;
  return bytes;
}

std::optional<Tzif> ReadTzifFile(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadZoneFileBytes(path);
  if (!bytes) return std::nullopt;
  return ReadTzif(*bytes);
}

}  // namespace talvane::tz
