// What must happen before the process goes away with a preview still in
// force: the user logs off or shuts down, or the program crashes. The
// system services register the restore; the toolkit runs it.
#pragma once

#include <functional>

namespace platform::win32 {

// Replaces the registered restore; an empty function removes it.
void SetSessionRestore(std::function<void()> restore);
// Runs the registered restore, if any.
void RunSessionRestore();

}  // namespace platform::win32
