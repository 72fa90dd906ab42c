#include "platform/preview_policy.h"

#include <cstring>

namespace platform {

bool PreviewPolicy::Lock() {
  if (!locked_) locked_ = store_.TryLock();
  return locked_;
}

void PreviewPolicy::Unlock() {
  if (!locked_) return;
  store_.Unlock();
  locked_ = false;
}

win::DWORD PreviewPolicy::Get(win::TIME_ZONE_INFORMATION* tzi) {
  // Held until the preview that reads this puts it back, or fails to start.
  if (tzi == nullptr || !Lock()) return win::TIME_ZONE_ID_INVALID;
  // A dead preview's setting is not the original either.
  if (!changed_ && !store_.RecoverUnfinished()) {
    Unlock();
    return win::TIME_ZONE_ID_INVALID;
  }
  const win::DWORD id = store_.Read(tzi);
  if (id == win::TIME_ZONE_ID_INVALID) {
    if (!changed_) Unlock();
    return id;
  }
  // During a preview the record to restore stays the one read before it.
  if (!changed_) read_ = *tzi;
  return id;
}

win::BOOL PreviewPolicy::Set(const win::TIME_ZONE_INFORMATION* tzi) {
  if (tzi == nullptr) return 0;
  if (!changed_) return Apply(*tzi);
  if (!read_ || std::memcmp(&*read_, tzi, sizeof *tzi) != 0) return 0;
  return RestoreIfChanged() ? 1 : 0;
}

win::BOOL PreviewPolicy::Apply(const win::TIME_ZONE_INFORMATION& tzi) {
  if (changed_ || !Lock()) return 0;
  if (!store_.Apply(tzi)) {
    Unlock();
    return 0;
  }
  changed_ = true;
  return 1;
}

bool PreviewPolicy::RestoreIfChanged() {
  if (changed_) {
    // A way back not yet taken stays kept, and so does the lock.
    if (!store_.TakeWayBack()) return false;
    changed_ = false;
  }
  Unlock();
  return true;
}

bool PreviewPolicy::RecoverUnfinished() {
  // While this process holds the lock, its own preview is under way.
  if (locked_) return !changed_;
  if (!Lock()) return true;
  const bool recovered = store_.RecoverUnfinished();
  Unlock();
  return recovered;
}

}  // namespace platform
