#include "keeper/keeper_session.h"

#include "keeper/protocol/keeper_protocol.h"

namespace keeper {

KeeperSession::KeeperSession(platform::SystemPaths paths, talvane::tz::UtcClock clock)
    : store_(std::move(paths), std::move(clock)), policy_(store_) {}

std::vector<std::uint8_t> KeeperSession::Handle(std::span<const std::uint8_t> message) {
  const std::optional<Request> request = ParseRequest(message);
  if (!request) return Encode(Reply{.kind = MessageKind::kHello, .status = Status::kMalformed});
  Reply reply{.kind = request->kind, .status = Status::kFailed};
  auto status = [](bool ok) { return ok ? Status::kOk : Status::kFailed; };
  switch (request->kind) {
    case MessageKind::kRead:
      reply.zone_id = policy_.Get(&reply.record);
      reply.status = status(reply.zone_id != win::TIME_ZONE_ID_INVALID);
      break;
    case MessageKind::kApply:
      store_.SetZone(request->zone.empty() ? std::nullopt : std::optional(request->zone));
      reply.status = status(policy_.Apply(request->record) == 1);
      break;
    case MessageKind::kRestore:
      reply.status = status(Restore());
      break;
    case MessageKind::kHello:
      break;
  }
  return Encode(reply);
}

bool KeeperSession::Restore() {
  // A keeper started again has nothing in force, but a dead one's way back,
  // or one this keeper failed to take, may still be on disk.
  return policy_.RestoreIfChanged() && policy_.RecoverUnfinished();
}

bool KeeperSession::Recover() { return policy_.RecoverUnfinished(); }

}  // namespace keeper
