// The Win32 layer's effects as the system's own calls see them under Wine:
// the privileges of the process's token, and the messages a real window
// gets when the session ends; the way back in the registry too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/win/preview_lock.h"
#include "platform/win/session_restore.h"
#include "platform/win/way_back_store.h"
#include "platform/win/win_form_window.h"
#include "platform/win/win_system_services.h"
// After the platform headers: see native.h.
#include "platform/win/native.h"

namespace {

bool PrivilegeEnabled(const LUID& privilege) {
  HANDLE token = nullptr;
  EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
  DWORD size = 0;
  ::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
  std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
  EXPECT_TRUE(::GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size));
  ::CloseHandle(token);
  const auto* held = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  return std::any_of(held->Privileges, held->Privileges + held->PrivilegeCount,
                     [&](const LUID_AND_ATTRIBUTES& entry) {
                       return entry.Luid.LowPart == privilege.LowPart &&
                              entry.Luid.HighPart == privilege.HighPart &&
                              (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
                     });
}

// Wine, like XP and Server 2003, has no time-zone privilege; the setting is
// then the system time's to change.
TEST(Win32PrivilegeTest, WithoutATimeZonePrivilegeTheSystemTimeOneIsEnabled) {
  LUID time_zone{}, system_time{};
  ASSERT_FALSE(::LookupPrivilegeValueA(nullptr, "SeTimeZonePrivilege", &time_zone));
  ASSERT_TRUE(::LookupPrivilegeValueA(nullptr, "SeSystemtimePrivilege", &system_time));
  ASSERT_FALSE(PrivilegeEnabled(system_time)) << "already enabled: the test would prove nothing";
  EXPECT_TRUE(platform::win32::SystemTimeZoneApi().EnableTimeZonePrivilege());
  EXPECT_TRUE(PrivilegeEnabled(system_time));
  platform::win32::SystemTimeZoneApi().RestoreTimeZonePrivilege();
  EXPECT_FALSE(PrivilegeEnabled(system_time));
}

// Wine, like XP, has no private namespaces: the lock is a global mutex,
// obeyed only when Administrators or SYSTEM own it. A name taken first by
// anyone else, or by an object of another kind, refuses every preview.
TEST(PreviewLockTest, ANameTakenByAnyoneElseRefusesThePreview) {
  using platform::win32::PreviewLock, platform::win32::PreviewLockAttempt;
  EXPECT_EQ(PreviewLock(L"TalvaneLockTest").TryLock(), PreviewLockAttempt::kHeld);
  const HANDLE squatter = ::CreateMutexW(nullptr, FALSE, L"Global\\TalvaneSquatted");
  const HANDLE other_kind = ::CreateEventW(nullptr, FALSE, FALSE, L"Global\\TalvaneOtherKind");
  EXPECT_EQ(PreviewLock(L"TalvaneSquatted").TryLock(), PreviewLockAttempt::kRefused);
  EXPECT_EQ(PreviewLock(L"TalvaneOtherKind").TryLock(), PreviewLockAttempt::kRefused);
  ::CloseHandle(squatter);
  ::CloseHandle(other_kind);
}

// Asked whether the session may end, the window agrees and keeps the
// preview, since the shutdown may yet be cancelled; only its end restores.
TEST(Win32FormWindowTest, TheSettingIsRestoredOnlyWhenTheSessionReallyEnds) {
  platform::FormDesign design{};
  design.client_width = 100;
  design.client_height = 100;
  design.list = {
      {0, 0, 50, 50}, {255, 255, 255}, {"Tahoma", 8.25, 400, false, false, false}, "", ""};
  platform::win32::Win32FormWindow form(design);
  int restores = 0;
  platform::win32::SetSessionRestore([&] { ++restores; });
  const HWND window = platform::win32::ToNative(form.hWnd());
  EXPECT_EQ(::SendMessageA(window, WM_QUERYENDSESSION, 0, 0), TRUE);
  ::SendMessageA(window, WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(restores, 0);
  ::SendMessageA(window, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(restores, 1);
  platform::win32::SetSessionRestore(nullptr);
}

// Kept in the 64-bit view both builds share, with this executable's log-on
// run; removed, only what it wrote goes, and its key once empty.
TEST(RegistryWayBackStoreTest, KeepsReadsBackAndRemovesOnlyItsOwn) {
  const auto open = [](const wchar_t* path, REGSAM access, HKEY* key) {
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access | KEY_WOW64_64KEY, key);
  };
  constexpr wchar_t kKey[] = L"SOFTWARE\\Talvane";
  platform::win32::WayBackStore& store = platform::win32::RegistryWayBackStore();
  platform::win32::WayBackRecord record{};
  record.applied.TimeZoneKeyName[0] = u'T';
  ASSERT_TRUE(store.Save(record));
  const platform::win32::WayBackRecord loaded = store.Load().value();
  EXPECT_EQ(std::memcmp(&loaded, &record, sizeof record), 0);
  HKEY run_once = nullptr, ours = nullptr;
  ASSERT_EQ(open(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", KEY_READ, &run_once), 0);
  wchar_t run[512] = {};
  DWORD size = sizeof run;
  ::RegQueryValueExW(run_once, L"!Talvane", nullptr, nullptr, reinterpret_cast<BYTE*>(run), &size);
  EXPECT_NE(std::wcsstr(run, L"tests.exe\" /recover"), nullptr) << run;
  ASSERT_EQ(open(kKey, KEY_SET_VALUE, &ours), 0);
  ::RegSetValueExW(ours, L"Theirs", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);

  ASSERT_TRUE(store.Remove());
  EXPECT_FALSE(store.Load());
  EXPECT_NE(::RegQueryValueExW(run_once, L"!Talvane", nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(::RegDeleteValueW(ours, L"Theirs"), 0) << "someone else's value went too";
  ::RegCloseKey(ours);
  ASSERT_TRUE(store.Remove());
  EXPECT_NE(open(kKey, KEY_READ, &ours), 0) << "the empty key is left";

  // The log-on run's own store leaves its RunOnce value to Windows.
  ASSERT_TRUE(store.Save(record));
  ASSERT_TRUE(platform::win32::MakeRegistryWayBackStore(std::nullopt)->Remove());
  EXPECT_FALSE(store.Load());
  EXPECT_EQ(::RegQueryValueExW(run_once, L"!Talvane", nullptr, nullptr, nullptr, nullptr), 0);
  ::RegCloseKey(run_once);
  // A command longer than RunOnce runs arms nothing, so nothing is kept.
  for (const std::size_t length : {260u, 261u}) {
    const auto armed = platform::win32::MakeRegistryWayBackStore(std::wstring(length, L'x'));
    EXPECT_EQ(armed->Save(record), length == 260);
    EXPECT_EQ(armed->Load().has_value(), length == 260);
    ASSERT_TRUE(armed->Remove());
  }
}

}  // namespace
