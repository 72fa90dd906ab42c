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
//                                   and what it put there. A preview is in
//                                   force exactly while it is on disk.
//   .localtime.talvane-restore.ID   what was there: a hard link to it, so its
//                                   inode, owner, mode and bytes come back
//   .localtime.talvane-absent.ID    there was nothing
//   .timezone.talvane-restore.ID    the same for /etc/timezone
//   .timezone.talvane-absent.ID
//   .NAME.talvane-new.RANDOM        written, not yet renamed into place
//
// The id ties a way back to its journal: what a preview killed before its
// journal was written left is never taken for another's way back. Nothing
// that cannot be read is ever removed: a journal that can't be read or
// understood stays, and so does the lock, until an administrator looks.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "keeper/protocol/unique_fd.h"
#include "keeper/system_setting.h"
#include "platform/system_paths.h"
#include "policy/preview_policy.h"

namespace keeper {

class PreviewJournal {
 public:
  explicit PreviewJournal(platform::SystemPaths paths);
  ~PreviewJournal();
  PreviewJournal(const PreviewJournal&) = delete;
  PreviewJournal& operator=(const PreviewJournal&) = delete;

  policy::LockResult Lock();
  // Lets go of the lock and removes its file, but never while a preview is
  // in force.
  void Unlock();
  // The journal is on disk, or whether it is can't be told.
  bool InForce() const;

  // With the lock held and nothing in force: writes the journal, keeps the
  // way back, then replaces or removes /etc/timezone (where given) and
  // replaces /etc/localtime, in that order, so that the zone's name never
  // runs ahead of its rules. All or nothing: on failure whatever changed is
  // rolled back.
  bool Apply(const Replacement& localtime, const std::optional<Replacement>& timezone);

  // With the lock held: the one way back, whoever wrote the journal and
  // however the preview ended. The pair ends consistent:
  //
  //   /etc/localtime  /etc/timezone  afterwards
  //   ours            ours           both as before the preview
  //   ours            theirs         localtime as before, timezone names its zone (*)
  //   theirs          ours           localtime theirs, timezone names its zone (*)
  //   theirs          theirs         both theirs, untouched
  //
  // "Ours" is still what the preview wrote, or already back as before it;
  // "theirs" is what someone else has put there since, or a change whose way
  // back someone took away. (*) Where /etc/localtime then links to a zone of
  // the zoneinfo directory, /etc/timezone names that zone, as Debian's
  // tzdata keeps them; otherwise it stays as the first step left it: as it
  // was before the preview if ours, theirs if theirs. A preview that did not
  // write /etc/timezone leaves it alone. Then the journal and every other file
  // of the program beside the setting go, but the lock. False, with
  // everything kept, when any of it could not be read or done.
  bool RollBack();

 private:
  struct Journal;
  // nullopt for anything but a journal of this program.
  std::optional<Journal> Parse(std::string_view text) const;
  bool PutBack(const Journal& journal);
  // Rewrites /etc/timezone to name the zone /etc/localtime links to, if it
  // names another.
  bool TimezoneFollowsLocaltime() const;
  bool RemoveLeftovers() const;
  // Makes what was linked, renamed or removed beside both files durable.
  bool SyncDirectories() const;

  platform::SystemPaths paths_;
  std::filesystem::path journal_, lock_file_;
  UniqueFd lock_;
};

}  // namespace keeper
