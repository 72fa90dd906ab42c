// The steps of putting a setting file back that also run in signal handlers:
// only system calls, on the caller's storage.
//
// A way back is kept beside the file it restores, in the same directory so
// that taking it is one rename:
//
//   .localtime.talvane-restore  the file as it was (a hard link to it)
//   .localtime.talvane-absent   there was no such file
//
// It is taken only while the file is still what the preview wrote, which its
// identity tells; anything else is someone's later change, which stays.
#pragma once

#include <limits.h>
#include <sys/types.h>

#include <cstdint>

namespace platform::linux_tz {

// What a preview wrote at a path: the very same link or file, by its inode,
// and by a hash of the link's text or the file's bytes.
struct FileIdentity {
  std::uint32_t is_link = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::uint64_t hash = 0;

  bool operator==(const FileIdentity&) const = default;
};

// False when nothing readable is at `path`.
bool IdentityOf(const char* path, FileIdentity* identity);

struct WayBackPaths {
  char file[PATH_MAX];
  char restore[PATH_MAX];
  char absent[PATH_MAX];
};

enum class WayBackResult { kNone, kTaken, kDropped, kFailed };

// If a way back is kept for `paths.file`: puts the old file back while the
// file is still `applied`, otherwise (or with no `applied` known) removes the
// way back and leaves the file alone. kFailed keeps the way back.
WayBackResult TakeWayBack(const WayBackPaths& paths, const FileIdentity* applied);

// Copies a path into fixed storage a signal handler can read. False, and
// nothing copied, when it does not fit.
bool CopyPath(char (&to)[PATH_MAX], const char* from);

// Makes renames in the directory of `path` durable.
void SyncDirectoryOf(const char* path);

}  // namespace platform::linux_tz
