// The rules of a preview, the same on every system: one preview at a time
// across all instances of the program, a way back kept before anything
// changes, and a record equal to the one read before the change meaning "put
// back exactly what was there". Each system plugs in its own SettingStore.
#pragma once

#include <optional>

#include "platform/win32_types.h"

namespace platform {

// One system's time-zone setting, as a preview reads, changes and restores it.
class SettingStore {
 public:
  virtual ~SettingStore() = default;

  // The lock every instance of the program shares, held from reading the
  // setting a preview saves until it is back. False while another process
  // holds it, or when this process may not change the setting.
  virtual bool TryLock() = 0;
  // Lets go of the lock, unless a way back is still kept: then it stays
  // held until the way back is taken, or the process ends.
  virtual void Unlock() = 0;
  // With the lock held: finishes a preview whose process died. False when
  // its way back is still there and could not be taken.
  virtual bool RecoverUnfinished() = 0;
  // GetTimeZoneInformation's answer for the setting in force.
  virtual win::DWORD Read(win::TIME_ZONE_INFORMATION* tzi) = 0;
  // With the lock held: keeps the way back to the setting in force where it
  // outlives the process, then applies `tzi`. All or nothing: on failure the
  // setting is unchanged and no way back is left.
  virtual bool Apply(const win::TIME_ZONE_INFORMATION& tzi) = 0;
  // Puts the saved setting back while the setting is still the one Apply
  // wrote; when someone else has changed it since, leaves it alone. Either
  // way the way back is gone, and it is true. False when the setting could
  // not be put back: the way back is kept for another try.
  virtual bool TakeWayBack() = 0;
};

class PreviewPolicy {
 public:
  explicit PreviewPolicy(SettingStore& store) : store_(store) {}
  PreviewPolicy(const PreviewPolicy&) = delete;
  PreviewPolicy& operator=(const PreviewPolicy&) = delete;

  // While another process previews a zone the setting is not the original,
  // so it is reported as unreadable (TIME_ZONE_ID_INVALID).
  win::DWORD Get(win::TIME_ZONE_INFORMATION* tzi);
  // Applies a new setting, or, while one is in force, takes the way back
  // when given the record read before it. Anything else during a preview is
  // refused: it would need a second way back.
  win::BOOL Set(const win::TIME_ZONE_INFORMATION* tzi);
  // Applies a new setting; refused while one is in force.
  win::BOOL Apply(const win::TIME_ZONE_INFORMATION& tzi);
  // Ends what this process has under way: takes the way back of a preview
  // still in force, and lets go of the lock. False when the setting could not
  // be put back; the way back is kept for another try.
  bool RestoreIfChanged();
  // For a start: finishes a preview whose process died. False when its way
  // back is still there; true also while another process previews, whose
  // way back is its own.
  bool RecoverUnfinished();

 private:
  bool Lock();
  void Unlock();

  SettingStore& store_;
  std::optional<win::TIME_ZONE_INFORMATION> read_;
  bool locked_ = false;
  bool changed_ = false;
};

}  // namespace platform
