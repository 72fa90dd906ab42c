// The way back from a preview, kept on disk beside the system setting for as
// long as the preview lasts, so that the setting is put back however the
// preview ends:
//
//   .localtime.talvane-restore  the setting as it was (the same link or bytes)
//   .localtime.talvane-absent   there was no setting
//
// Putting it back is one rename (or, for no setting, one unlink), which is
// safe in a signal handler. A preview that never ended (SIGKILL, power loss)
// is finished by the next process that takes the lock.
//
// The lock is an flock on the setting's directory, shared by every instance
// of the program: a process holds it from reading the setting to be saved
// until it has put it back, so two previews never overlap. The kernel drops it
// when its holder dies, and it leaves nothing on disk.
#pragma once

#include <filesystem>

#include "platform/linux/system_setting.h"

namespace platform::linux_tz {

class PreviewJournal {
 public:
  explicit PreviewJournal(std::filesystem::path setting);
  ~PreviewJournal();
  PreviewJournal(const PreviewJournal&) = delete;
  PreviewJournal& operator=(const PreviewJournal&) = delete;

  // False while another process holds it. Taking it again is a no-op.
  bool Lock();
  void Unlock();
  bool locked() const { return lock_fd_ >= 0; }

  // With the lock held: puts back the setting a preview that never ended had
  // saved. True when there was one.
  bool RecoverUnfinished();

  // With the lock held: saves `current` as the way back, and arms the exit
  // path of this process to take it.
  bool Prepare(const SettingSnapshot& current);
  bool prepared() const { return prepared_; }
  // Takes the way back: the setting is as Prepare() found it.
  bool Restore();
  // Removes a way back that is not needed after all.
  void Discard();

 private:
  std::filesystem::path setting_;
  std::filesystem::path restore_path_;
  std::filesystem::path absent_path_;
  int lock_fd_ = -1;
  bool prepared_ = false;
};

// Makes this process take an armed way back when it ends by a termination
// signal (TERM, INT, HUP, QUIT), a crash (SEGV, ABRT, BUS, FPE) or exit().
void InstallRestoreOnExit();

}  // namespace platform::linux_tz
