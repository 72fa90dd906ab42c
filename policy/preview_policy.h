// The rules of a preview, the same on every system: one preview at a time
// across all instances of the program, a way back kept where it outlives the
// process before anything changes, and the record read before the change
// meaning "put back exactly what was there". Each system plugs in its own
// SettingStore; whether a preview is in force is the store's to say, from
// the way back it keeps.
#pragma once

#include <optional>

#include "platform/win32_types.h"

namespace policy {

enum class LockResult {
  kTaken,  // held by this process now
  kBusy,   // another process holds it
  kFailed  // it could not be made or taken: this process may not change the setting
};

// One system's time-zone setting, as a preview reads, changes and restores it.
class SettingStore {
 public:
  virtual ~SettingStore() = default;

  // The lock every instance of the program shares, held from reading the
  // setting a preview saves until it is back. Taking it again is a no-op.
  virtual LockResult TryLock() = 0;
  // Lets go of the lock, but never while a preview is in force: then it stays
  // held until its way back is taken, or the process ends.
  virtual void Unlock() = 0;
  // A way back is kept: a preview is in force, this process's or a dead
  // one's. Also true when that cannot be told.
  virtual bool InForce() = 0;
  // GetTimeZoneInformation's answer for the setting in force.
  virtual win::DWORD Read(win::TIME_ZONE_INFORMATION* tzi) = 0;
  // With the lock held and nothing in force: keeps the way back to the
  // setting in force, then applies `tzi`. All or nothing: on failure the
  // setting is unchanged, and nothing is in force unless its way back could
  // not be taken.
  virtual bool Apply(const win::TIME_ZONE_INFORMATION& tzi) = 0;
  // With the lock held: the one way back, whoever kept it and however the
  // preview ended. Puts back what the preview changed and nobody has changed
  // since, then drops the way back. True when nothing is in force any more;
  // false keeps the way back for another try.
  virtual bool RollBack() = 0;
};

class PreviewPolicy {
 public:
  explicit PreviewPolicy(SettingStore& store) : store_(store) {}
  PreviewPolicy(const PreviewPolicy&) = delete;
  PreviewPolicy& operator=(const PreviewPolicy&) = delete;

  // Takes the lock, held until the preview that reads this puts the setting
  // back, and first puts back any preview still in force, since its setting
  // is not the original. TIME_ZONE_ID_INVALID while another process
  // previews, or a way back can't be taken.
  win::DWORD Get(win::TIME_ZONE_INFORMATION* tzi);
  // Applies a new setting after a read. While this process's preview is in
  // force, only the record read before it is taken, and it puts the setting
  // back; anything else would need a second way back. With no read before
  // it, it is the restore of a preview that ended with the process that
  // held it: it puts back what that left in force, if anything.
  win::BOOL Set(const win::TIME_ZONE_INFORMATION* tzi);
  // Every other ending (the program's end, its next start, recovery at boot
  // or log-on): puts back a preview still in force, unless another process
  // holds the lock, whose preview is its own. False when the way back stays
  // for another try.
  bool RollBack();

 private:
  SettingStore& store_;
  std::optional<win::TIME_ZONE_INFORMATION> read_;
};

}  // namespace policy
