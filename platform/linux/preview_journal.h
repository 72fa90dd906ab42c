// The way back from a preview, kept on disk beside the system setting for as
// long as the preview lasts, so that the setting is put back however the
// preview ends. Beside /etc/localtime (and /etc/timezone):
//
//   .localtime.talvane-restore  the setting as it was: a hard link to it
//   .localtime.talvane-absent   there was no setting
//   .timezone.talvane-restore   /etc/timezone as it was, where the preview
//                               changes it
//   .localtime.talvane-applied  what the preview wrote, one line a file:
//                               "NAME IS_LINK INODE SIZE HASH"; only that is
//                               ever undone, never a later change of someone's
//   .localtime.talvane-lock     the lock
//
// The lock is an flock on a file that only root can create or open, shared by
// every instance of the program: a process holds it from reading the setting
// to be saved until it has put it back, so two previews never overlap. The
// kernel drops it when its holder dies; the file goes when it is let go.
#pragma once

#include <filesystem>
#include <optional>

#include "platform/linux/exit_restore.h"
#include "platform/linux/system_setting.h"
#include "platform/linux/unique_fd.h"

namespace platform::linux_tz {

class PreviewJournal {
 public:
  PreviewJournal(std::filesystem::path localtime, std::filesystem::path timezone);
  ~PreviewJournal();
  PreviewJournal(const PreviewJournal&) = delete;
  PreviewJournal& operator=(const PreviewJournal&) = delete;

  // False while another process holds it, or when this one may not create
  // it. Taking it again is a no-op.
  bool Lock();
  void Unlock();
  bool locked() const { return static_cast<bool>(lock_); }

  // With the lock held: takes the way back a preview that never ended left,
  // where the files are still what it wrote. False when a way back is still
  // there: it could not be taken.
  bool RecoverUnfinished();

  // With the lock held: keeps the way back, arms this process's exit paths
  // to take it, then puts `localtime` and, where given, `timezone` in place.
  // All or nothing.
  bool Apply(const Replacement& localtime, const std::optional<Replacement>& timezone);
  bool prepared() const { return prepared_; }
  // Takes the way back of Apply (see TakeWayBack). False when a file could
  // not be put back; its way back stays, and stays armed.
  bool Restore();

 private:
  struct File {
    std::filesystem::path path, restore, absent;
  };
  static File FileAt(const std::filesystem::path& path);
  static WayBackPaths PathsOf(const File& file);

  File localtime_, timezone_;
  std::filesystem::path applied_record_, lock_file_;
  UniqueFd lock_;
  bool prepared_ = false;
  ArmedPreview armed_{};
};

}  // namespace platform::linux_tz
