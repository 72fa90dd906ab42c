// A preview's way back, kept on disk beside the system setting from before
// anything changes until everything is back, so that whoever next takes the
// lock puts the setting back however the preview ended. Beside /etc/localtime
// (and /etc/timezone):
//
//   .localtime.talvane-lock         the lock: an flock on a file only root can
//                                   make, held from reading the setting a
//                                   preview saves until it is back
//   .localtime.talvane-applied      the journal: the preview's random id and,
//                                   for each file it changes, what was there
//                                   and what it put there
//   .localtime.talvane-restore.ID   what was there: a hard link to it, so its
//                                   inode, owner, mode and bytes come back
//   .localtime.talvane-absent.ID    there was nothing
//   .timezone.talvane-restore.ID    the same for /etc/timezone
//   .timezone.talvane-absent.ID
//
// The id ties a way back to its journal: what a preview killed before its
// journal was written left is never taken for another's way back.
#pragma once

#include <filesystem>
#include <optional>

#include "keeper/protocol/unique_fd.h"
#include "keeper/system_setting.h"

namespace keeper {

class PreviewJournal {
 public:
  PreviewJournal(std::filesystem::path localtime, std::filesystem::path timezone);
  ~PreviewJournal();
  PreviewJournal(const PreviewJournal&) = delete;
  PreviewJournal& operator=(const PreviewJournal&) = delete;

  // False while another process holds it, or when this one may not create
  // it. Taking it again is a no-op.
  bool Lock();
  // Lets go of the lock, but never while a journal is on disk: its way back
  // is still to be taken, by this process or, once it has ended, by the next
  // to take the lock.
  void Unlock();
  bool locked() const { return static_cast<bool>(lock_); }
  // A journal is on disk.
  bool pending() const;

  // With the lock held and no journal on disk: writes the journal, keeps the
  // way back, then replaces /etc/timezone (where given) and /etc/localtime,
  // in that order, so that the zone's name never runs ahead of its rules.
  // All or nothing: on failure whatever changed is put back.
  bool Apply(const Replacement& localtime, const std::optional<Replacement>& timezone);

  // With the lock held: the one way back, whoever wrote the journal and
  // however the preview ended. The files are judged as a pair: while each is
  // either what the preview put there or what was there before it, those the
  // preview changed are put back, in the reverse order of Apply; if someone
  // has changed either since, both stay as they are. Then the journal and
  // every other file of the program beside the setting go, but the lock.
  // False when something could not be put back or removed: the journal
  // stays, for another try.
  bool RollBack();

 private:
  const std::filesystem::path* PathNamed(const std::string& name) const;
  // Makes what was linked, renamed or removed beside both files durable.
  bool SyncDirectories() const;

  std::filesystem::path localtime_, timezone_, journal_, lock_file_;
  UniqueFd lock_;
};

}  // namespace keeper
