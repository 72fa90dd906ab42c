// The lock that keeps previews one at a time across every session of the
// machine, which only administrators and the system can hold: anyone else
// who could take it first would keep every preview, and every recovery,
// out.
#pragma once

#include <string>

#include "platform/win/time_zone_setting.h"

namespace platform::win32 {

// The name every instance of the program shares.
inline constexpr wchar_t kPreviewLockName[] = L"TalvaneTimeZonePreview";

class PreviewLock {
 public:
  // `name` names the lock in the system's object namespace.
  explicit PreviewLock(std::wstring name);
  ~PreviewLock();
  PreviewLock(const PreviewLock&) = delete;
  PreviewLock& operator=(const PreviewLock&) = delete;

  PreviewLockAttempt TryLock();
  void Unlock();

 private:
  PreviewLockAttempt TryLockNamespace();
  PreviewLockAttempt TryLockMutex();

  std::wstring name_;
  // Handles, as void* to keep <windows.h> out of this header.
  // Vista and later: the lock is a private namespace, which only a process
  // within its boundary, an administrator's, can make, and only while no
  // other process holds it. Not a mutex inside one that every process
  // shares: once the process that made it ends, Windows opens it to no one,
  // so a process that comes later can't find the mutex held in it.
  void* boundary_ = nullptr;
  void* namespace_ = nullptr;
  // Before: a global mutex, taken only when its owner is Administrators or
  // SYSTEM, since a squatter's would be obeyed as ours.
  void* mutex_ = nullptr;
  bool holds_mutex_ = false;
};

}  // namespace platform::win32
