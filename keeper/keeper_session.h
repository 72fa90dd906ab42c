// One window's requests, answered under the preview rules: read the setting,
// apply a record (a zone's own, or one of no zone), restore. Whatever the
// window sends is checked before anything is done with it; the window runs as
// its user, the keeper as root.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "keeper/linux_setting_store.h"
#include "platform/preview_policy.h"

namespace keeper {

class KeeperSession {
 public:
  KeeperSession(platform::SystemPaths paths, talvane::tz::UtcClock clock);

  // The reply to one message, whatever it holds: a message that is not a
  // request of this protocol changes nothing and is answered kMalformed.
  std::vector<std::uint8_t> Handle(std::span<const std::uint8_t> message);
  // Puts back a preview still in force, and one a dead keeper left: for the
  // window's restore and for every ending of the connection. False when the
  // setting could not be put back: the way back stays on disk for another
  // try, the next start or the boot.
  bool Restore();
  // Finishes a preview whose keeper died, unless another keeper is
  // previewing now. False when its way back is still there.
  bool Recover();

 private:
  LinuxSettingStore store_;
  platform::PreviewPolicy policy_;
};

}  // namespace keeper
