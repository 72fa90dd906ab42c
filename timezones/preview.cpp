#include "timezones/preview.h"

#include <array>
#include <cstring>

namespace timezones {
namespace {

constexpr win::REGSAM kAllKeyRights = 0x3F;
constexpr win::DWORD kNameSize = 32;

// Reads a zone name value into its 33-byte buffer and widens it into `wide`
// (32 characters). False when the value is missing or does not fit.
bool ReadZoneName(platform::Registry& registry, platform::SystemServices& system, win::HKEY key,
                  const char* value, win::WCHAR (&wide)[32]) {
  std::array<char, kNameSize + 1> name{};
  win::DWORD type = win::REG_SZ;
  win::DWORD size = kNameSize;
  if (registry.RegQueryValueExA(key, value, nullptr, &type,
                                reinterpret_cast<win::BYTE*>(name.data()),
                                &size) != win::ERROR_SUCCESS) {
    return false;
  }
  system.MultiByteToWideChar(win::CP_ACP, win::MB_PRECOMPOSED, name.data(), static_cast<int>(size),
                             wide, 32);
  return true;
}

}  // namespace

void PreviewSelectedTimeZone(platform::Registry& registry, platform::SystemServices& system,
                             platform::FormWindow& window, const std::string& TimeZonesKeyPath) {
  const std::string zone_key_path = TimeZonesKeyPath + "\\" + window.List1_Text();
  win::HKEY key{};
  if (registry.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, zone_key_path.c_str(), 0, kAllKeyRights,
                             &key) != win::ERROR_SUCCESS) {
    return;
  }

  std::array<win::BYTE, sizeof(win::REG_TZI_FORMAT)> tzi_bytes{};
  win::DWORD tzi_size = tzi_bytes.size();
  if (registry.RegQueryValueExA(key, "TZI", nullptr, nullptr, tzi_bytes.data(), &tzi_size) !=
      win::ERROR_SUCCESS) {
    registry.RegCloseKey(key);
    return;
  }
  win::REG_TZI_FORMAT zone;
  std::memcpy(&zone, tzi_bytes.data(), sizeof zone);
  win::TIME_ZONE_INFORMATION new_setting{};
  new_setting.Bias = zone.Bias;
  new_setting.StandardBias = zone.StandardBias;
  new_setting.DaylightBias = zone.DaylightBias;
  new_setting.StandardDate = zone.StandardDate;
  new_setting.DaylightDate = zone.DaylightDate;

  if (!ReadZoneName(registry, system, key, "Std", new_setting.StandardName) ||
      !ReadZoneName(registry, system, key, "Dlt", new_setting.DaylightName)) {
    registry.RegCloseKey(key);
    return;
  }

  win::TIME_ZONE_INFORMATION saved_setting{};
  if (system.GetTimeZoneInformation(&saved_setting) == win::TIME_ZONE_ID_INVALID) {
    window.MsgBox(kGetErrorMessage);
    registry.RegCloseKey(key);
    return;
  }

  // A zone without daylight time carries its standard name as its daylight one.
  if (new_setting.DaylightDate.wMonth == 0 || new_setting.DaylightBias == 0) {
    system.RtlMoveMemory(new_setting.DaylightName, new_setting.StandardName,
                         sizeof new_setting.StandardName);
    new_setting.DaylightBias = 0;
  }

  // When the new setting could not be applied nothing has changed, so there is
  // nothing to announce and nothing to restore.
  if (system.SetTimeZoneInformation(&new_setting) == 0) {
    window.MsgBox(kSetErrorMessage);
    registry.RegCloseKey(key);
    return;
  }
  window.MsgBox(kChangedMessage);
  // Never leave the system in the previewed zone quietly: say so, and try
  // again once the user has read it.
  while (system.SetTimeZoneInformation(&saved_setting) == 0) window.MsgBox(kRestoreErrorMessage);
  registry.RegCloseKey(key);
}

}  // namespace timezones
