// Taking the way back of a preview still in force when the process ends by
// itself: a signal whose default action ends it, a crash (stack overflow
// included), or exit() (which is how Qt ends when the display goes away).
#pragma once

#include <span>

#include "platform/linux/way_back.h"

namespace platform::linux_tz {

// What the exit paths need, in plain storage a signal handler may read.
struct ArmedPreview {
  static constexpr int kMaxFiles = 2;
  WayBackPaths files[kMaxFiles];
  FileIdentity applied[kMaxFiles];
  int file_count = 0;
  char applied_record[PATH_MAX];  // removed once every file is back
};

// The exit paths take `preview` from now on, in place of any armed before.
void ArmExitRestore(const ArmedPreview& preview);
void DisarmExitRestore();
// The preview lock file, which the exit paths remove.
void PublishLockFile(const char* path);
void WithdrawLockFile();

// Every signal whose default action ends the process, except SIGKILL, which
// cannot be caught.
std::span<const int> RestoringSignals();

// Installs the handlers for RestoringSignals(), on a stack of their own, and
// the exit() hook. Once per process.
void InstallRestoreOnExit();

}  // namespace platform::linux_tz
