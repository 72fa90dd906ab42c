// How long a preview takes the program: from the double-click's handler to
// the new setting in place (when the message opens), and from OK to the old
// setting back, both through the keeper's connection; from SIGKILL of a
// window during a preview to the setting back; and reading every zone's
// record through the registry. Runs against the host's tz database and a
// temporary system setting, with the keeper forked rather than executed.
// Usage: preview_bench
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/linux/linux_registry.h"
#include "tests/fakes/keeper_in_child.h"
#include "timezones/preview.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The list's selection, and the message box that stamps when it opens.
class BenchWindow : public platform::FormWindow {
 public:
  void List1_AddItem(std::string_view) override {}
  std::string List1_Text() const override { return zone; }
  void MsgBox(std::string_view) override { opened = Clock::now(); }
  win::HWND hWnd() const override { return win::HWND{0}; }
  void SetWindowState(int) override {}

  std::string zone;
  Clock::time_point opened;
};

void Report(const char* what, std::vector<double> ms, const char* over = "zones") {
  std::sort(ms.begin(), ms.end());
  std::printf("%-34s median %.3f ms, 90%% %.3f ms, max %.3f ms over %zu %s\n", what,
              ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back(), ms.size(), over);
}

// A window that previews a record of no zone and is killed once it has: the
// time from SIGKILL until its keeper has put the setting back.
double RestoreAfterKill(const platform::SystemPaths& paths, const talvane::tz::UtcClock& now) {
  namespace fs = std::filesystem;
  const fs::path before = fs::read_symlink(paths.localtime);
  const pid_t window = fork();
  if (window == 0) {
    fakes::ServicesOverKeeper services(paths, now);
    win::TIME_ZONE_INFORMATION saved{}, elsewhere{};
    elsewhere.Bias = -545;
    services.services.GetTimeZoneInformation(&saved);
    services.services.SetTimeZoneInformation(&elsewhere);
    pause();
  }
  std::error_code ec;
  while (fs::read_symlink(paths.localtime, ec) == before) {
  }
  const auto killed = Clock::now();
  kill(window, SIGKILL);
  while (fs::read_symlink(paths.localtime, ec) != before) {
  }
  const double ms = Ms(Clock::now() - killed);
  // The window, then its keeper, handed to this process when the window died.
  waitpid(window, nullptr, 0);
  waitpid(-1, nullptr, 0);
  return ms;
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("talvane-bench-" + std::to_string(getpid()));
  fs::create_directories(root);
  platform::SystemPaths paths{.zoneinfo_dir = "/usr/share/zoneinfo",
                              .localtime = root / "localtime",
                              .timezone = root / "timezone"};
  fs::create_symlink("/usr/share/zoneinfo/Europe/Helsinki", paths.localtime);
  std::ofstream(paths.timezone) << "Europe/Helsinki\n";
  auto now = talvane::tz::SystemUtcClock();
  platform::linux_tz::ZoneKeyLog zone_log;
  platform::linux_tz::LinuxRegistry registry(
      paths, [] { return true; }, now, &zone_log);
  // The keeper as the window talks to it, over its connection.
  fakes::ServicesOverKeeper keeper(paths, now, &zone_log);
  platform::SystemServices& system = keeper.services;
  const std::string key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

  std::vector<std::string> zones;
  win::HKEY zones_key{};
  registry.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, key.c_str(), 0, 0x3F, &zones_key);
  char name[32];
  for (win::DWORD i = 0; registry.RegEnumKeyA(zones_key, i, name, sizeof name) == 0; ++i)
    zones.push_back(name);

  std::vector<double> reads;
  const auto all_start = Clock::now();
  for (const std::string& zone : zones) {
    const auto start = Clock::now();
    win::HKEY zone_key{};
    win::REG_TZI_FORMAT tzi{};
    win::DWORD size = sizeof tzi;
    registry.RegOpenKeyExA(zones_key, zone.c_str(), 0, 0x3F, &zone_key);
    registry.RegQueryValueExA(zone_key, "TZI", nullptr, nullptr, reinterpret_cast<win::BYTE*>(&tzi),
                              &size);
    registry.RegCloseKey(zone_key);
    reads.push_back(Ms(Clock::now() - start));
  }
  const double all_ms = Ms(Clock::now() - all_start);

  std::vector<double> to_changed, to_restored;
  BenchWindow window;
  for (const std::string& zone : zones) {
    window.zone = zone;
    const auto clicked = Clock::now();
    timezones::PreviewSelectedTimeZone(registry, system, window, key);
    const auto done = Clock::now();
    to_changed.push_back(Ms(window.opened - clicked));
    to_restored.push_back(Ms(done - window.opened));
  }
  std::vector<double> after_kill;
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  for (int i = 0; i < 100; ++i) after_kill.push_back(RestoreAfterKill(paths, now));
  fs::remove_all(root);

  std::vector<double> round_trips;
  for (std::size_t i = 0; i < zones.size(); ++i)
    round_trips.push_back(to_changed[i] + to_restored[i]);
  Report("zone record through the registry:", reads);
  std::printf("%-34s %.1f ms for all %zu zones\n", "every zone's record:", all_ms, zones.size());
  Report("double-click to setting changed:", to_changed);
  Report("OK to setting restored:", to_restored);
  Report("apply plus restore:", round_trips);
  Report("window killed to setting restored:", after_kill, "kills");
  return 0;
}
