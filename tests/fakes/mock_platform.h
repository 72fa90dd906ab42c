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
  MOCK_METHOD(win::LONG, RegCloseKey, (win::HKEY), (override));
};

class MockSystemServices : public platform::SystemServices {
 public:
  MOCK_METHOD(win::BOOL, GetVersionExA, (win::OSVERSIONINFOA*), (override));
};

// A window that only records the list's entries.
class RecordingWindow : public platform::FormWindow {
 public:
  void List1_AddItem(std::string_view entry) override { entries.emplace_back(entry); }
  std::vector<std::string> entries;
};

}  // namespace fakes
