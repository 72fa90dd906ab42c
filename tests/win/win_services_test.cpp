// The Win32 platform layer. The registry and version calls run against the
// system (Wine answers them as Windows does); the session restore and the
// announcement of a change run against fake time-zone calls, since Wine
// refuses every change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/system_services.h"
#include "platform/win/session_restore.h"
#include "platform/win/win_system_services.h"
#include "tests/win/memory_way_back_store.h"

namespace {

using Attempt = platform::win32::PreviewLockAttempt;
constexpr char kTimeZones[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

TEST(Win32RegistryTest, OpensTheTimeZonesUnderTheLocalMachineRoot) {
  auto registry = platform::MakeRegistry({});
  win::HKEY key{};
  ASSERT_EQ(registry->RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kTimeZones, 0, 0x3F, &key),
            win::ERROR_SUCCESS);
  std::vector<std::string> names;
  for (win::DWORD index = 0;; ++index) {
    char name[32] = {};
    const win::LONG result = registry->RegEnumKeyA(key, index, name, sizeof name);
    if (result == win::ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(result, win::ERROR_SUCCESS) << "index " << index;
    names.emplace_back(name);
  }
  EXPECT_GT(names.size(), 100u);
  EXPECT_NE(std::find(names.begin(), names.end(), "Tokyo Standard Time"), names.end());
  EXPECT_EQ(registry->RegCloseKey(key), win::ERROR_SUCCESS);
}

TEST(Win32RegistryTest, ReadsAZoneRecordThroughTheOpenedHandle) {
  auto registry = platform::MakeRegistry({});
  win::HKEY key{};
  ASSERT_EQ(registry->RegOpenKeyExA(win::HKEY_LOCAL_MACHINE,
                                    (std::string(kTimeZones) + "\\Tokyo Standard Time").c_str(), 0,
                                    0x3F, &key),
            win::ERROR_SUCCESS);
  win::REG_TZI_FORMAT tzi{};
  win::DWORD type = 0;
  win::DWORD size = sizeof tzi;
  ASSERT_EQ(registry->RegQueryValueExA(key, "TZI", nullptr, &type,
                                       reinterpret_cast<win::BYTE*>(&tzi), &size),
            win::ERROR_SUCCESS);
  EXPECT_EQ(type, win::REG_BINARY);
  EXPECT_EQ(size, 44u);
  EXPECT_EQ(tzi.Bias, -540);

  char name[33] = {};
  type = win::REG_SZ;
  size = 32;
  ASSERT_EQ(registry->RegQueryValueExA(key, "Std", nullptr, &type,
                                       reinterpret_cast<win::BYTE*>(name), &size),
            win::ERROR_SUCCESS);
  EXPECT_STREQ(name, "Tokyo Standard Time");
  EXPECT_EQ(size, sizeof "Tokyo Standard Time");
  registry->RegCloseKey(key);
}

TEST(Win32RegistryTest, AMissingKeyIsReportedAndNoHandleIsGiven) {
  auto registry = platform::MakeRegistry({});
  win::HKEY key{0x1234};
  EXPECT_EQ(
      registry->RegOpenKeyExA(win::HKEY_LOCAL_MACHINE,
                              (std::string(kTimeZones) + "\\No Such Zone").c_str(), 0, 0x3F, &key),
      win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, win::HKEY{0x1234});
}

TEST(Win32SystemServicesTest, ReportsTheNtFamilyForTheAnsiRecord) {
  auto system = platform::MakeSystemServices({});
  win::OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = 148;
  ASSERT_NE(system->GetVersionExA(&version), 0);
  EXPECT_EQ(version.dwPlatformId, win::VER_PLATFORM_WIN32_NT);
}

TEST(Win32SystemServicesTest, WidensAnsiNamesIntoUtf16) {
  auto system = platform::MakeSystemServices({});
  const char name[] = "Tokyo Standard Time";
  win::WCHAR wide[32] = {};
  EXPECT_EQ(
      system->MultiByteToWideChar(win::CP_ACP, win::MB_PRECOMPOSED, name, sizeof name, wide, 32),
      static_cast<int>(sizeof name));
  EXPECT_EQ(std::u16string(wide), u"Tokyo Standard Time");
}

TEST(Win32SystemServicesTest, ReadsTheCurrentSetting) {
  auto system = platform::MakeSystemServices({});
  win::TIME_ZONE_INFORMATION tzi{};
  EXPECT_NE(system->GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
  EXPECT_NE(tzi.StandardName[0], u'\0');
}

// The system calls of a machine whose setting the fake keeps.
class FakeApi : public platform::win32::TimeZoneApi {
 public:
  win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* tzi) override {
    *tzi = current;
    return win::TIME_ZONE_ID_STANDARD;
  }
  win::BOOL SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) override {
    current = *tzi;
    ++sets;
    return 1;
  }
  bool HasDynamicTimeZones() override { return dynamic; }
  win::DWORD GetDynamicTimeZoneInformation(
      platform::win32::DynamicTimeZoneInformation* dtzi) override {
    EXPECT_TRUE(dynamic) << "no dynamic calls on this system";
    *dtzi = {};
    dtzi->tzi = current;
    return win::TIME_ZONE_ID_STANDARD;
  }
  win::BOOL SetDynamicTimeZoneInformation(
      const platform::win32::DynamicTimeZoneInformation* dtzi) override {
    EXPECT_TRUE(dynamic) << "no dynamic calls on this system";
    return SetTimeZoneInformation(&dtzi->tzi);
  }
  bool EnableTimeZonePrivilege() override { return true; }
  void RestoreTimeZonePrivilege() override {}
  bool FlushSetting() override { return true; }
  void AnnounceChange() override { ++announced; }
  Attempt TryLockPreview() override { return Attempt::kHeld; }
  void UnlockPreview() override {}

  win::TIME_ZONE_INFORMATION current{};
  int sets = 0;
  int announced = 0;
  bool dynamic = false;
};

TEST(Win32SystemServicesTest, TheSessionEndRestoresAPreviewInForce) {
  FakeApi api;
  fakes::MemoryWayBackStore ways;
  api.current.Bias = -120;
  platform::win32::Win32SystemServices system(api, ways);
  win::TIME_ZONE_INFORMATION saved{};
  system.GetTimeZoneInformation(&saved);
  win::TIME_ZONE_INFORMATION tokyo{};
  tokyo.Bias = -540;
  ASSERT_NE(system.SetTimeZoneInformation(&tokyo), 0);

  platform::win32::RunSessionRestore();
  EXPECT_EQ(api.current.Bias, -120);
  EXPECT_EQ(api.sets, 2);
  EXPECT_EQ(api.announced, 2);
}

TEST(Win32SystemServicesTest, NoRestoreIsLeftBehindByServicesThatAreGone) {
  FakeApi api;
  fakes::MemoryWayBackStore ways;
  {
    platform::win32::Win32SystemServices system(api, ways);
    win::TIME_ZONE_INFORMATION saved{};
    system.GetTimeZoneInformation(&saved);
    win::TIME_ZONE_INFORMATION tokyo{};
    tokyo.Bias = -540;
    system.SetTimeZoneInformation(&tokyo);
  }
  platform::win32::RunSessionRestore();
  EXPECT_EQ(api.sets, 1);
}

}  // namespace
