// One window's requests, answered under the preview rules: read the setting,
// set a record (a zone's own, or one of no zone, or the one read before a
// preview, which puts the setting back). Whatever the window sends is checked
// before anything is done with it; the window runs as its user, the keeper
// as root.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "keeper/linux_setting_store.h"
#include "policy/preview_policy.h"

namespace keeper {

class KeeperSession {
 public:
  KeeperSession(platform::SystemPaths paths, talvane::tz::UtcClock clock);

  // The reply to one message, whatever it holds: a message that is not a
  // request of this protocol changes nothing and is answered kMalformed.
  std::vector<std::uint8_t> Handle(std::span<const std::uint8_t> message);
  // The way back, for every ending but the window's own restore: the
  // keeper's start, the connection's end, a signal, recovery mode. False
  // when a preview stays in force, its way back on disk for another try.
  bool RollBack() { return policy_.RollBack(); }

 private:
  LinuxSettingStore store_;
  policy::PreviewPolicy policy_;
};

}  // namespace keeper
