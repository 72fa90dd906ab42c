// What the window and the keeper say to each other: one message per packet of
// a SOCK_SEQPACKET connection, so a message is never split or run together.
// Numbers are little-endian; a record is a TIME_ZONE_INFORMATION field by
// field (172 bytes).
//
//   message  := magic:u32 version:u16 kind:u16 body
//   hello    := (no body)                       keeper -> window, once, when ready
//   read     := (no body)                       window -> keeper
//   set      := record zone_length:u8 zone      window -> keeper; a length of 0
//                                               is a record of no zone
//   reply    := status:u32 [zone_id:u32 record] keeper -> window, the kind of
//                                               the request it answers; a read
//                                               that succeeded has the record
//
// The keeper runs as root and the window does not, so everything the keeper
// parses is checked here: sizes exact, kinds known, zone names of the tz
// database's own form, records within the ranges Windows gives their fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32_types.h"

namespace keeper {

inline constexpr std::uint16_t kProtocolVersion = 2;
// Larger than any message; a packet that fills it is malformed.
inline constexpr std::size_t kMaxMessageSize = 512;

enum class MessageKind : std::uint16_t { kHello = 1, kRead = 2, kSet = 3 };

enum class Status : std::uint32_t {
  kOk = 0,
  kFailed = 1,     // the setting could not be read, changed or put back
  kMalformed = 2,  // not a request of this version; nothing was done
};

struct Request {
  MessageKind kind = MessageKind::kRead;
  win::TIME_ZONE_INFORMATION record{};  // kSet
  std::string zone;                     // kSet; empty for a record of no zone
};

struct Reply {
  MessageKind kind = MessageKind::kHello;
  Status status = Status::kOk;
  win::DWORD zone_id = 0;               // a read's TIME_ZONE_ID_*
  win::TIME_ZONE_INFORMATION record{};  // a read's setting
};

std::vector<std::uint8_t> Encode(const Request& request);
std::vector<std::uint8_t> Encode(const Reply& reply);
// nullopt for anything but a well-formed message of this version.
std::optional<Request> ParseRequest(std::span<const std::uint8_t> message);
std::optional<Reply> ParseReply(std::span<const std::uint8_t> message);

// Every field within the range Windows gives it, and both names ended by a NUL.
bool IsWellFormedRecord(const win::TIME_ZONE_INFORMATION& record);

}  // namespace keeper
