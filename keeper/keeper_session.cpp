#include "keeper/keeper_session.h"

#include "keeper/protocol/keeper_protocol.h"

namespace keeper {

KeeperSession::KeeperSession(platform::SystemPaths paths, talvane::tz::UtcClock clock)
    : store_(std::move(paths), std::move(clock)), policy_(store_) {}

std::vector<std::uint8_t> KeeperSession::Handle(std::span<const std::uint8_t> message) {
  const std::optional<Request> request = ParseRequest(message);
  if (!request) return Encode(Reply{.kind = MessageKind::kHello, .status = Status::kMalformed});
  Reply reply{.kind = request->kind, .status = Status::kFailed};
  bool ok;
  if (request->kind == MessageKind::kRead) {
    reply.zone_id = policy_.Get(&reply.record);
    ok = reply.zone_id != win::TIME_ZONE_ID_INVALID;
  } else {
    store_.SetZone(request->zone.empty() ? std::nullopt : std::optional(request->zone));
    ok = policy_.Set(&request->record) == 1;
  }
  if (ok) reply.status = Status::kOk;
  return Encode(reply);
}

}  // namespace keeper
