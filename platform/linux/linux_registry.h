// A read-only HKEY_LOCAL_MACHINE that holds one key, the NT time-zone key,
// with a subkey per zone of the host's tz database.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace platform::linux_tz {

class LinuxRegistry final : public Registry {
 public:
  // `may_change_setting` decides whether an open that asks for write rights
  // succeeds: only a process that may change the system setting gets them.
  LinuxRegistry(SystemPaths paths, std::function<bool()> may_change_setting);

  win::LONG RegOpenKeyExA(win::HKEY hKey, const char* lpSubKey, win::DWORD ulOptions,
                          win::REGSAM samDesired, win::HKEY* phkResult) override;
  win::LONG RegEnumKeyA(win::HKEY hKey, win::DWORD dwIndex, char* lpName,
                        win::DWORD cchName) override;
  win::LONG RegCloseKey(win::HKEY hKey) override;

 private:
  // The full path of an open key below HKEY_LOCAL_MACHINE.
  using OpenKey = std::string;

  std::optional<std::string> FullPathOf(win::HKEY key, const char* sub_key) const;
  bool IsTimeZonesKey(const std::string& path) const;
  bool IsZoneKey(const std::string& path);
  const std::vector<std::string>& ZoneNames();

  SystemPaths paths_;
  std::function<bool()> may_change_setting_;
  std::optional<std::vector<std::string>> zone_names_;  // read at first need
  std::map<std::uintptr_t, OpenKey> open_keys_;
  std::uintptr_t next_handle_ = 0x100;
};

}  // namespace platform::linux_tz
