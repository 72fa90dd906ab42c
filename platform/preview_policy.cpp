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
  if (tzi == nullptr || !Lock()) return 0;
  if (changed_) {
    if (!read_ || std::memcmp(&*read_, tzi, sizeof *tzi) != 0) return 0;
    // A way back not yet taken stays armed for the exit paths and kept on
    // disk, and so does the lock.
    if (!store_.TakeWayBack()) return 0;
    changed_ = false;
    Unlock();
    return 1;
  }
  if (!store_.Apply(*tzi)) {
    Unlock();
    return 0;
  }
  changed_ = true;
  return 1;
}

void PreviewPolicy::RestoreIfChanged() {
  if (!changed_ || !read_) return;
  const win::TIME_ZONE_INFORMATION saved = *read_;
  Set(&saved);
}

void PreviewPolicy::RecoverUnfinished() {
  // While this process holds the lock, its own preview is under way.
  if (locked_ || !Lock()) return;
  store_.RecoverUnfinished();
  Unlock();
}

}  // namespace platform
