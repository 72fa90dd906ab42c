// The system time-zone setting as the program reads and writes it, over the
// calls of the Windows version it runs on. Since Vista a zone is more than
// its TIME_ZONE_INFORMATION: SetTimeZoneInformation drops the zone's key
// name and its year-by-year rules. So every read also keeps the dynamic
// record, and the way back puts back that dynamic record, exactly as it was.
// The way back is kept in a WayBackStore before anything changes, so that it
// outlives the process, and dropped only once the setting it leaves is on
// disk.
#pragma once

#include <optional>

#include "platform/win/dynamic_time_zone.h"
#include "platform/win/way_back_store.h"
#include "platform/win32_types.h"
#include "policy/preview_policy.h"

namespace platform::win32 {

// What an attempt at the preview lock found.
enum class PreviewLockAttempt {
  kHeld,  // this process holds it
  // Another process holds it, or it could not be made: no preview, and no
  // recovery either, since the setting may be another preview's.
  kRefused,
  // Nobody holds it, but this user may not: on Vista and later every user
  // may set the zone, while only administrators hold the lock.
  kFreeButNotOurs,
};

// The system calls behind the setting; tests put fakes in their place.
class TimeZoneApi {
 public:
  virtual ~TimeZoneApi() = default;

  virtual win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* tzi) = 0;
  virtual win::BOOL SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) = 0;
  // False before Vista, where the two dynamic calls don't exist.
  virtual bool HasDynamicTimeZones() = 0;
  virtual win::DWORD GetDynamicTimeZoneInformation(DynamicTimeZoneInformation* dtzi) = 0;
  virtual win::BOOL SetDynamicTimeZoneInformation(const DynamicTimeZoneInformation* dtzi) = 0;
  // Enables the privilege the setting calls need, which is off by default:
  // SeTimeZonePrivilege, or before Vista SeSystemtimePrivilege. False when it
  // can't.
  virtual bool EnableTimeZonePrivilege() = 0;
  // Puts that privilege back as it was before it was enabled.
  virtual void RestoreTimeZonePrivilege() = 0;
  // Puts the setting in force on disk now: Windows writes it lazily. False
  // when it can't.
  virtual bool FlushSetting() = 0;
  // Tells every top-level window that the setting has changed, so that the
  // task-bar clock shows the new time at once. It may wait on each window,
  // so it comes after everything that keeps the setting safe.
  virtual void AnnounceChange() = 0;
  // The lock every instance of the program shares, in every session, held
  // from reading the setting a preview saves until it is put back. Taking it
  // again while held is kHeld.
  virtual PreviewLockAttempt TryLockPreview() = 0;
  virtual void UnlockPreview() = 0;
};

// The setting in Windows' own records, for the preview rules.
class WindowsSettingStore final : public policy::SettingStore {
 public:
  WindowsSettingStore(TimeZoneApi& api, WayBackStore& ways) : api_(api), ways_(ways) {}

  policy::LockResult TryLock() override {
    last_lock_attempt_ = api_.TryLockPreview();
    switch (last_lock_attempt_) {
      case PreviewLockAttempt::kHeld:
        return policy::LockResult::kTaken;
      case PreviewLockAttempt::kRefused:
        return policy::LockResult::kBusy;
      case PreviewLockAttempt::kFreeButNotOurs:
        break;
    }
    return policy::LockResult::kFailed;
  }
  // Kept while a way back is armed: the setting is not the original yet.
  void Unlock() override {
    if (!way_back_) api_.UnlockPreview();
  }
  // The way back this process armed. One a dead process left is taken by
  // the roll-back every read starts with.
  bool InForce() override { return way_back_.has_value(); }
  win::DWORD Read(win::TIME_ZONE_INFORMATION* tzi) override;
  bool Apply(const win::TIME_ZONE_INFORMATION& tzi) override;
  bool RollBack() override;

  // Whether the last attempt at the lock found it free but out of this
  // user's reach.
  bool LockFreeButNotOurs() const {
    return last_lock_attempt_ == PreviewLockAttempt::kFreeButNotOurs;
  }

 private:
  bool TakeWayBack(const WayBackRecord& record);
  bool TakeArmedWayBack();
  // Runs one of the setting calls with the privilege it needs enabled just
  // for it.
  template <typename Call>
  bool Privileged(Call call);

  TimeZoneApi& api_;
  WayBackStore& ways_;
  // What was read, to put back: the plain record, and the dynamic one where
  // the system has it.
  std::optional<WayBackRecord> read_;
  std::optional<WayBackRecord> way_back_;
  PreviewLockAttempt last_lock_attempt_ = PreviewLockAttempt::kRefused;
};

// GetTimeZoneInformation and SetTimeZoneInformation under the preview rules.
class TimeZoneSetting {
 public:
  TimeZoneSetting(TimeZoneApi& api, WayBackStore& ways) : store_(api, ways), policy_(store_) {}

  win::DWORD Get(win::TIME_ZONE_INFORMATION* tzi) { return policy_.Get(tzi); }
  win::BOOL Set(const win::TIME_ZONE_INFORMATION* tzi) { return policy_.Set(tzi); }
  // Puts back a preview still in force, this process's or a dead one's,
  // unless another process is previewing now. A user who may set the zone
  // but not hold the lock does so too while nobody holds it; what that user
  // may not delete waits for an administrator's run, which finds the
  // setting back.
  void RollBack() {
    policy_.RollBack();
    if (store_.LockFreeButNotOurs()) store_.RollBack();
  }

 private:
  WindowsSettingStore store_;
  policy::PreviewPolicy policy_;
};

}  // namespace platform::win32
