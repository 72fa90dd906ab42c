// A read-only HKEY_LOCAL_MACHINE that holds one key, the NT time-zone key,
// with a subkey per zone of the host's tz database. Each zone key has the
// values "TZI", "Std" and "Dlt", worked out from the zone's TZif file for the
// current year when first read.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/zone_key_log.h"
#include "platform/registry.h"
#include "tz/utc_clock.h"
#include "tz/zone_record.h"

namespace platform::linux_tz {

class LinuxRegistry final : public Registry {
 public:
  // `may_change_setting` decides whether an open that asks for write rights
  // succeeds: only a process that may change the system setting gets them,
  // which for the program means that its keeper runs.
  // Each zone key whose values are read is noted in `zones`, if given.
  LinuxRegistry(SystemPaths paths, std::function<bool()> may_change_setting,
                talvane::tz::UtcClock clock, ZoneKeyLog* zones = nullptr);

  win::LONG RegOpenKeyExA(win::HKEY hKey, const char* lpSubKey, win::DWORD ulOptions,
                          win::REGSAM samDesired, win::HKEY* phkResult) override;
  win::LONG RegEnumKeyA(win::HKEY hKey, win::DWORD dwIndex, char* lpName,
                        win::DWORD cchName) override;
  // A zone whose file can't be read has no values.
  win::LONG RegQueryValueExA(win::HKEY hKey, const char* lpValueName, win::DWORD* lpReserved,
                             win::DWORD* lpType, win::BYTE* lpData, win::DWORD* lpcbData) override;
  win::LONG RegCloseKey(win::HKEY hKey) override;

 private:
  struct OpenKey {
    std::string path;                 // below HKEY_LOCAL_MACHINE
    std::optional<std::string> zone;  // the zone's name as the database spells it
    std::optional<std::optional<talvane::tz::ZoneRecord>> values;  // read at first query
  };

  std::optional<std::string> FullPathOf(win::HKEY key, const char* sub_key) const;
  std::optional<std::string> ZoneOf(const std::string& path);
  const std::vector<std::string>& ZoneNames();
  const std::optional<talvane::tz::ZoneRecord>& ValuesOf(OpenKey& key);

  SystemPaths paths_;
  std::function<bool()> may_change_setting_;
  talvane::tz::UtcClock clock_;
  ZoneKeyLog* zones_;
  std::optional<std::vector<std::string>> zone_names_;  // read at first need
  std::map<std::uintptr_t, OpenKey> open_keys_;
  std::uintptr_t next_handle_ = 0x100;
};

}  // namespace platform::linux_tz
