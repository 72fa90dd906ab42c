// How long a preview takes the program: from the double-click's handler to
// the new setting in place (when the message opens), and from OK to the old
// setting back; and reading every zone's record through the registry.
// Runs against the host's tz database and a temporary system setting.
// Usage: preview_bench
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-34s median %.3f ms, 90%% %.3f ms, max %.3f ms over %zu zones\n", what,
              ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back(), ms.size());
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
  fs::remove_all(root);

  Report("zone record through the registry:", reads);
  std::printf("%-34s %.1f ms for all %zu zones\n", "every zone's record:", all_ms, zones.size());
  Report("double-click to setting changed:", to_changed);
  Report("OK to setting restored:", to_restored);
  return 0;
}
