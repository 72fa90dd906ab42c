#include "policy/preview_policy.h"

#include <cstring>

namespace policy {

win::DWORD PreviewPolicy::Get(win::TIME_ZONE_INFORMATION* tzi) {
  if (tzi == nullptr || store_.TryLock() != LockResult::kTaken) return win::TIME_ZONE_ID_INVALID;
  // The lock stays while a way back can't be taken: nobody else may try
  // until this process has ended.
  if (!store_.RollBack()) return win::TIME_ZONE_ID_INVALID;
  const win::DWORD id = store_.Read(tzi);
  if (id == win::TIME_ZONE_ID_INVALID) {
    store_.Unlock();
    return id;
  }
  read_ = *tzi;
  return id;
}

win::BOOL PreviewPolicy::Set(const win::TIME_ZONE_INFORMATION* tzi) {
  if (tzi == nullptr || store_.TryLock() != LockResult::kTaken) return 0;
  bool done = true;
  if (store_.InForce()) {
    if (read_ && std::memcmp(&*read_, tzi, sizeof *tzi) != 0) return 0;
    done = store_.RollBack();
    if (done) read_.reset();
  } else if (read_) {
    // A read is good for one preview: one that fails to start ends it.
    done = store_.Apply(*tzi);
    if (!done) read_.reset();
  }
  store_.Unlock();  // kept while a preview is in force
  return done ? 1 : 0;
}

bool PreviewPolicy::RollBack() {
  switch (store_.TryLock()) {
    case LockResult::kBusy:
      return true;
    case LockResult::kFailed:
      return false;
    case LockResult::kTaken:
      break;
  }
  const bool back = store_.RollBack();
  store_.Unlock();
  return back;
}

}  // namespace policy
