// The run of the program that Windows starts at the next administrator's
// log-on while a preview is in force (a RunOnce value). It shows no window:
// it only takes the way back of a preview whose process died, with the
// power say, so that the setting is back before anyone has to start the
// program again.
#pragma once

#include <string>

namespace platform::win32 {

class TimeZoneApi;
class WayBackStore;

// That run's command line: this executable, quoted, and its switch. Empty
// when the executable's path can't be had whole.
std::wstring LogOnRunCommand();
// Whether this process is that run.
bool IsLogOnRun(int argc, char** argv);
// That run: takes a dead preview's way back unless another process, maybe
// in another session, is previewing. Its exit status is 0 once no way back
// is kept, whatever became of it; otherwise 1, so that Windows keeps the
// run for the next log-on. The run writes nothing under RunOnce itself.
int RecoverAtLogOn(TimeZoneApi& api, WayBackStore& ways);

}  // namespace platform::win32
