// The run of the program that Windows starts at the next log-on while a
// preview is in force (a RunOnce value). It shows no window: it only takes
// the way back of a preview whose process died, with the power say, so that
// the setting is back before anyone has to start the program again.
#pragma once

#include <string>

namespace platform::win32 {

// That run's command line: this executable, quoted, and its switch. Empty
// when the executable's path can't be had whole.
std::wstring LogOnRunCommand();
// Whether this process is that run.
bool IsLogOnRun(int argc, char** argv);

}  // namespace platform::win32
