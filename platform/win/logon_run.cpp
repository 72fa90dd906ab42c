#include "platform/win/logon_run.h"

#include <string_view>

#include "platform/win/time_zone_setting.h"
#include "platform/win/way_back_store.h"
// After the platform headers: see native.h.
#include "platform/win/native.h"

namespace platform::win32 {
namespace {

constexpr std::string_view kSwitch = "/recover";

}  // namespace

std::wstring LogOnRunCommand() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  // A path that filled the buffer may have been cut short.
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring command = L"\"" + std::wstring(path, length) + L"\" ";
  command.append(kSwitch.begin(), kSwitch.end());
  return command;
}

bool IsLogOnRun(int argc, char** argv) { return argc == 2 && argv[1] == kSwitch; }

int RecoverAtLogOn(TimeZoneApi& api, WayBackStore& ways) {
  TimeZoneSetting(api, ways).RollBack();
  return ways.Load() ? 1 : 0;
}

}  // namespace platform::win32
