// The Win32 layer's effects as the system's own calls see them under Wine:
// the privileges of the process's token, and the messages a real window
// gets when the session ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/win/session_restore.h"
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
}

// Asked whether the session may end, the window agrees and keeps the
// preview, since the shutdown may yet be cancelled; only its end restores.
TEST(Win32FormWindowTest, TheSettingIsRestoredOnlyWhenTheSessionReallyEnds) {
  platform::FormDesign design{};
  design.client_width = 100;
  design.client_height = 100;
  design.list = {{0, 0, 50, 50}, {255, 255, 255}, {"Tahoma", 8.25, 400, false, false, false}, ""};
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

}  // namespace
