#include "keeper/protocol/keeper_protocol.h"

#include <algorithm>

#include "tz/zone_names.h"

namespace keeper {
namespace {

constexpr std::uint32_t kMagic = 0x4B564C54;  // "TLVK"
constexpr std::int32_t kMaxBiasMinutes = 24 * 60;

class Writer {
 public:
  void U8(std::uint8_t v) { bytes_.push_back(v); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void Header(MessageKind kind) {
    U32(kMagic);
    U16(kProtocolVersion);
    U16(static_cast<std::uint16_t>(kind));
  }
  void Time(const win::SYSTEMTIME& t) {
    for (win::WORD w : {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond,
                        t.wMilliseconds}) {
      U16(w);
    }
  }
  void Name(const win::WCHAR (&name)[32]) {
    for (win::WCHAR c : name) U16(c);
  }
  void Record(const win::TIME_ZONE_INFORMATION& r) {
    U32(static_cast<std::uint32_t>(r.Bias));
    Name(r.StandardName);
    Time(r.StandardDate);
    U32(static_cast<std::uint32_t>(r.StandardBias));
    Name(r.DaylightName);
    Time(r.DaylightDate);
    U32(static_cast<std::uint32_t>(r.DaylightBias));
  }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Reads a message front to back; any read past its end fails the whole parse.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  bool AtEnd() const { return ok_ && bytes_.empty(); }
  std::uint8_t U8() {
    if (bytes_.empty()) {
      ok_ = false;
      return 0;
    }
    const std::uint8_t v = bytes_.front();
    bytes_ = bytes_.subspan(1);
    return v;
  }
  std::uint16_t U16() {
    const std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | U8() << 8);
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | static_cast<std::uint32_t>(U16()) << 16;
  }
  // The kind, when the magic and the version are this program's.
  std::optional<MessageKind> Header() {
    const bool ours = U32() == kMagic && U16() == kProtocolVersion;
    const std::uint16_t kind = U16();
    if (!ok_ || !ours || kind < 1 || kind > 3) return std::nullopt;
    return static_cast<MessageKind>(kind);
  }
  void Time(win::SYSTEMTIME& t) {
    for (win::WORD* w : {&t.wYear, &t.wMonth, &t.wDayOfWeek, &t.wDay, &t.wHour, &t.wMinute,
                         &t.wSecond, &t.wMilliseconds}) {
      *w = U16();
    }
  }
  void Name(win::WCHAR (&name)[32]) {
    for (win::WCHAR& c : name) c = U16();
  }
  void Record(win::TIME_ZONE_INFORMATION& r) {
    r.Bias = static_cast<win::LONG>(U32());
    Name(r.StandardName);
    Time(r.StandardDate);
    r.StandardBias = static_cast<win::LONG>(U32());
    Name(r.DaylightName);
    Time(r.DaylightDate);
    r.DaylightBias = static_cast<win::LONG>(U32());
  }
  std::string Text(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length && ok_; ++i) text += static_cast<char>(U8());
    return text;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  bool ok_ = true;
};

bool IsWellFormedTime(const win::SYSTEMTIME& t) {
  // wYear 0 is a yearly rule, whose wDay is the week of the month (1-5);
  // otherwise a one-off date, wDay the day of the month.
  const bool yearly = t.wYear == 0;
  if (!yearly && (t.wYear < 1601 || t.wYear > 30827)) return false;
  if (t.wMonth == 0) return true;  // no change at all: the other fields say nothing
  return t.wMonth <= 12 && t.wDayOfWeek <= 6 && t.wDay >= 1 && t.wDay <= (yearly ? 5 : 31) &&
         t.wHour <= 23 && t.wMinute <= 59 && t.wSecond <= 59 && t.wMilliseconds <= 999;
}

bool IsEnded(const win::WCHAR (&name)[32]) {
  return std::find(std::begin(name), std::end(name), u'\0') != std::end(name);
}

}  // namespace

std::vector<std::uint8_t> Encode(const Request& request) {
  Writer out;
  out.Header(request.kind);
  if (request.kind == MessageKind::kSet) {
    out.Record(request.record);
    out.U8(static_cast<std::uint8_t>(request.zone.size()));
    for (char c : request.zone) out.U8(static_cast<std::uint8_t>(c));
  }
  return out.Take();
}

std::vector<std::uint8_t> Encode(const Reply& reply) {
  Writer out;
  out.Header(reply.kind);
  out.U32(static_cast<std::uint32_t>(reply.status));
  if (reply.kind == MessageKind::kRead && reply.status == Status::kOk) {
    out.U32(reply.zone_id);
    out.Record(reply.record);
  }
  return out.Take();
}

std::optional<Request> ParseRequest(std::span<const std::uint8_t> message) {
  Reader in(message);
  Request request;
  const std::optional<MessageKind> kind = in.Header();
  if (!kind || *kind == MessageKind::kHello) return std::nullopt;
  request.kind = *kind;
  if (request.kind == MessageKind::kSet) {
    in.Record(request.record);
    const std::size_t length = in.U8();
    request.zone = in.Text(length);
    if (!IsWellFormedRecord(request.record) ||
        (length > 0 && !talvane::tz::IsZoneName(request.zone))) {
      return std::nullopt;
    }
  }
  if (!in.AtEnd()) return std::nullopt;
  return request;
}

std::optional<Reply> ParseReply(std::span<const std::uint8_t> message) {
  Reader in(message);
  Reply reply;
  const std::optional<MessageKind> kind = in.Header();
  const std::uint32_t status = in.U32();
  if (!kind || status > static_cast<std::uint32_t>(Status::kMalformed)) return std::nullopt;
  reply.kind = *kind;
  reply.status = static_cast<Status>(status);
  if (reply.kind == MessageKind::kRead && reply.status == Status::kOk) {
    reply.zone_id = in.U32();
    in.Record(reply.record);
  }
  if (!in.AtEnd()) return std::nullopt;
  return reply;
}

bool IsWellFormedRecord(const win::TIME_ZONE_INFORMATION& r) {
  for (win::LONG bias : {r.Bias, r.StandardBias, r.DaylightBias}) {
    if (bias < -kMaxBiasMinutes || bias > kMaxBiasMinutes) return false;
  }
  return IsWellFormedTime(r.StandardDate) && IsWellFormedTime(r.DaylightDate) &&
         IsEnded(r.StandardName) && IsEnded(r.DaylightName);
}

}  // namespace keeper
