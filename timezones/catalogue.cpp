#include "timezones/catalogue.h"

#include <array>
#include <cstring>

namespace timezones {
namespace {

// Asks for every specific key right, not only reading ones, so an account
// that may not write HKEY_LOCAL_MACHINE gets no list.
constexpr win::REGSAM kAllKeyRights = 0x3F;
constexpr win::DWORD kNameBufferSize = 32;

}  // namespace

std::string FillTimeZoneList(platform::Registry& registry, platform::SystemServices& system,
                             platform::FormWindow& window) {
  win::OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  system.GetVersionExA(&version);
  std::string TimeZonesKeyPath = version.dwPlatformId == win::VER_PLATFORM_WIN32_NT
                                     ? kNtTimeZonesKeyPath
                                     : kWindowsTimeZonesKeyPath;

  win::HKEY key{};
  if (registry.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, TimeZonesKeyPath.c_str(), 0, kAllKeyRights,
                             &key) != win::ERROR_SUCCESS) {
    window.List1_AddItem(kCouldNotOpenEntry);
    return TimeZonesKeyPath;
  }
  std::array<char, kNameBufferSize> name{};
  win::LONG result = win::ERROR_SUCCESS;
  for (std::int32_t index = 0; result == win::ERROR_SUCCESS; ++index) {
    name.fill('\0');
    result =
        registry.RegEnumKeyA(key, static_cast<win::DWORD>(index), name.data(), kNameBufferSize);
    if (result == win::ERROR_SUCCESS)
      window.List1_AddItem({name.data(), strnlen(name.data(), name.size())});
  }
  registry.RegCloseKey(key);
  return TimeZonesKeyPath;
}

}  // namespace timezones
