// GoogleMock stand-ins for the platform services, so the program's handlers
// can be checked call by call.
#pragma once

#include <gmock/gmock.h>

#include "platform/registry.h"
#include "platform/system_services.h"
#include "platform/toolkit.h"

namespace fakes {

class MockRegistry : public platform::Registry {
 public:
  MOCK_METHOD(win::LONG, RegOpenKeyExA,
              (win::HKEY, const char*, win::DWORD, win::REGSAM, win::HKEY*), (override));
  MOCK_METHOD(win::LONG, RegEnumKeyA, (win::HKEY, win::DWORD, char*, win::DWORD), (override));
  MOCK_METHOD(win::LONG, RegQueryValueExA,
              (win::HKEY, const char*, win::DWORD*, win::DWORD*, win::BYTE*, win::DWORD*),
              (override));
  MOCK_METHOD(win::LONG, RegCloseKey, (win::HKEY), (override));
};

class MockSystemServices : public platform::SystemServices {
 public:
  MOCK_METHOD(win::BOOL, GetVersionExA, (win::OSVERSIONINFOA*), (override));
  MOCK_METHOD(win::DWORD, GetTimeZoneInformation, (win::TIME_ZONE_INFORMATION*), (override));
  MOCK_METHOD(win::BOOL, SetTimeZoneInformation, (const win::TIME_ZONE_INFORMATION*), (override));
  MOCK_METHOD(int, MultiByteToWideChar, (win::UINT, win::DWORD, const char*, int, win::WCHAR*, int),
              (override));
  MOCK_METHOD(void, RtlMoveMemory, (void*, const void*, std::size_t), (override));
};

class MockFormWindow : public platform::FormWindow {
 public:
  MOCK_METHOD(void, List1_AddItem, (std::string_view), (override));
  MOCK_METHOD(std::string, List1_Text, (), (const, override));
  MOCK_METHOD(void, MsgBox, (std::string_view), (override));
  MOCK_METHOD(win::HWND, hWnd, (), (const, override));
  MOCK_METHOD(void, SetWindowState, (int), (override));
};

class MockWindowServices : public platform::WindowServices {
 public:
  MOCK_METHOD(win::BOOL, GetCursorPos, (win::POINT*), (override));
  MOCK_METHOD(win::BOOL, GetWindowRect, (win::HWND, win::RECT*), (override));
  MOCK_METHOD(win::BOOL, SetWindowPos, (win::HWND, win::HWND, int, int, int, int, win::UINT),
              (override));
  MOCK_METHOD(win::HWND, SetCapture, (win::HWND), (override));
  MOCK_METHOD(win::BOOL, ReleaseCapture, (), (override));
};

class MockToolkit : public platform::Toolkit {
 public:
  MOCK_METHOD(std::unique_ptr<platform::FormWindow>, CreateForm, (const platform::FormDesign&),
              (override));
  MOCK_METHOD(int, Run, (platform::FormWindow&, platform::FormEvents&, platform::PendingRights*),
              (override));
  MOCK_METHOD(void, DoEvents, (), (override));
  MOCK_METHOD(void, End, (), (override));
  MOCK_METHOD(platform::WindowServices&, Windows, (), (override));
};

// A window that only records the list's entries.
class RecordingWindow : public platform::FormWindow {
 public:
  void List1_AddItem(std::string_view entry) override { entries.emplace_back(entry); }
  std::string List1_Text() const override { return {}; }
  void MsgBox(std::string_view) override { ADD_FAILURE() << "unexpected message box"; }
  win::HWND hWnd() const override { return win::HWND{0}; }
  void SetWindowState(int) override { ADD_FAILURE() << "unexpected change of window state"; }
  std::vector<std::string> entries;
};

}  // namespace fakes
