#include "platform/linux/linux_registry.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/linux/keeper_connection.h"
#include "platform/pending_rights.h"
#include "tz/civil_time.h"
#include "tz/zone_names.h"
#include "tz/zone_year.h"

namespace platform::linux_tz {
namespace {

using talvane::tz::RegistryNamesEqual;
using talvane::tz::RegistryOrderLess;

constexpr std::string_view kTimeZonesKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";
constexpr win::REGSAM kWriteRights =
    win::KEY_SET_VALUE | win::KEY_CREATE_SUB_KEY | win::KEY_CREATE_LINK;

// Hands a value over with Windows' rules: sizes in bytes, the whole value or
// nothing.
win::LONG ReturnValue(win::DWORD type, const void* value, win::DWORD size, win::DWORD* lpType,
                      win::BYTE* lpData, win::DWORD* lpcbData) {
  if (lpData != nullptr && lpcbData == nullptr) return win::ERROR_INVALID_PARAMETER;
  if (lpType != nullptr) *lpType = type;
  if (lpData != nullptr && *lpcbData < size) {
    *lpcbData = size;
    return win::ERROR_MORE_DATA;
  }
  if (lpData != nullptr) std::memcpy(lpData, value, size);
  if (lpcbData != nullptr) *lpcbData = size;
  return win::ERROR_SUCCESS;
}

}  // namespace

LinuxRegistry::LinuxRegistry(SystemPaths paths, std::function<bool()> may_change_setting,
                             talvane::tz::UtcClock clock, ZoneKeyLog* zones)
    : paths_(std::move(paths)),
      may_change_setting_(std::move(may_change_setting)),
      clock_(std::move(clock)),
      zones_(zones) {}

std::optional<std::string> LinuxRegistry::FullPathOf(win::HKEY key, const char* sub_key) const {
  std::string base;
  if (key != win::HKEY_LOCAL_MACHINE) {
    auto open = open_keys_.find(static_cast<std::uintptr_t>(key));
    if (open == open_keys_.end()) return std::nullopt;
    base = open->second.path;
  }
  std::string_view sub = sub_key != nullptr ? sub_key : "";
  if (base.empty()) return std::string(sub);
  if (sub.empty()) return base;
  return base + "\\" + std::string(sub);
}

std::optional<std::string> LinuxRegistry::ZoneOf(const std::string& path) {
  if (path.size() <= kTimeZonesKey.size() + 1 || path[kTimeZonesKey.size()] != '\\' ||
      !RegistryNamesEqual(std::string_view(path).substr(0, kTimeZonesKey.size()), kTimeZonesKey)) {
    return std::nullopt;
  }
  std::string_view zone = std::string_view(path).substr(kTimeZonesKey.size() + 1);
  const auto& names = ZoneNames();
  auto it = std::lower_bound(names.begin(), names.end(), zone, RegistryOrderLess);
  if (it == names.end() || !RegistryNamesEqual(*it, zone)) return std::nullopt;
  return *it;
}

const std::vector<std::string>& LinuxRegistry::ZoneNames() {
  if (!zone_names_) zone_names_ = talvane::tz::ListZoneNames(paths_.zoneinfo_dir);
  return *zone_names_;
}

const std::optional<talvane::tz::ZoneRecord>& LinuxRegistry::ValuesOf(OpenKey& key) {
  if (!key.values) {
    key.values.emplace();
    if (auto zone = talvane::tz::ReadTzifFile(paths_.zoneinfo_dir / *key.zone)) {
      const int year = static_cast<int>(talvane::tz::YearOf(clock_()));
      if (auto record = talvane::tz::ZoneRecordForYear(*zone, year)) *key.values = record->record;
    }
  }
  if (*key.values && zones_ != nullptr) zones_->Note(*key.zone, **key.values);
  return *key.values;
}

win::LONG LinuxRegistry::RegOpenKeyExA(win::HKEY hKey, const char* lpSubKey, win::DWORD,
                                       win::REGSAM samDesired, win::HKEY* phkResult) {
  if (phkResult == nullptr) return win::ERROR_INVALID_PARAMETER;
  std::optional<std::string> path = FullPathOf(hKey, lpSubKey);
  if (!path) return win::ERROR_INVALID_HANDLE;
  OpenKey key{.path = std::move(*path), .zone = std::nullopt, .values = std::nullopt};
  if (!RegistryNamesEqual(key.path, kTimeZonesKey)) {
    key.zone = ZoneOf(key.path);
    if (!key.zone) return win::ERROR_FILE_NOT_FOUND;
  }
  if ((samDesired & kWriteRights) != 0 && !may_change_setting_()) return win::ERROR_ACCESS_DENIED;
  std::uintptr_t handle = next_handle_;
  next_handle_ += 4;
  open_keys_.emplace(handle, std::move(key));
  *phkResult = win::HKEY{handle};
  return win::ERROR_SUCCESS;
}

win::LONG LinuxRegistry::RegEnumKeyA(win::HKEY hKey, win::DWORD dwIndex, char* lpName,
                                     win::DWORD cchName) {
  auto open = open_keys_.find(static_cast<std::uintptr_t>(hKey));
  if (open == open_keys_.end()) return win::ERROR_INVALID_HANDLE;
  if (open->second.zone) return win::ERROR_NO_MORE_ITEMS;  // zones have no subkeys
  const auto& names = ZoneNames();
  if (dwIndex >= names.size()) return win::ERROR_NO_MORE_ITEMS;
  const std::string& name = names[dwIndex];
  if (lpName == nullptr || name.size() + 1 > cchName) return win::ERROR_MORE_DATA;
  std::memcpy(lpName, name.c_str(), name.size() + 1);
  return win::ERROR_SUCCESS;
}

win::LONG LinuxRegistry::RegQueryValueExA(win::HKEY hKey, const char* lpValueName, win::DWORD*,
                                          win::DWORD* lpType, win::BYTE* lpData,
                                          win::DWORD* lpcbData) {
  auto open = open_keys_.find(static_cast<std::uintptr_t>(hKey));
  if (open == open_keys_.end()) return win::ERROR_INVALID_HANDLE;
  if (!open->second.zone || lpValueName == nullptr) return win::ERROR_FILE_NOT_FOUND;
  const std::optional<talvane::tz::ZoneRecord>& values = ValuesOf(open->second);
  if (!values) return win::ERROR_FILE_NOT_FOUND;
  const std::string_view name = lpValueName;
  if (RegistryNamesEqual(name, "TZI")) {
    return ReturnValue(win::REG_BINARY, &values->tzi, sizeof values->tzi, lpType, lpData, lpcbData);
  }
  for (auto [value_name, text] :
       {std::pair{"Std", &values->std_name}, {"Dlt", &values->dlt_name}}) {
    if (RegistryNamesEqual(name, value_name)) {
      return ReturnValue(win::REG_SZ, text->c_str(), static_cast<win::DWORD>(text->size() + 1),
                         lpType, lpData, lpcbData);
    }
  }
  return win::ERROR_FILE_NOT_FOUND;
}

win::LONG LinuxRegistry::RegCloseKey(win::HKEY hKey) {
  if (hKey == win::HKEY_LOCAL_MACHINE) return win::ERROR_SUCCESS;
  return open_keys_.erase(static_cast<std::uintptr_t>(hKey)) == 1 ? win::ERROR_SUCCESS
                                                                  : win::ERROR_INVALID_HANDLE;
}

}  // namespace platform::linux_tz

namespace platform {
namespace {

// The keeper's start: its ready message, or the end of a connection that
// pkexec refused or could not ask for, is the answer.
class KeeperStart final : public PendingRights {
 public:
  int AnswerDescriptor() const override { return linux_tz::ProcessKeeper().AwaitedReady(); }
  void Withdraw() override { linux_tz::ProcessKeeper().Withdraw(); }
};

}  // namespace

std::unique_ptr<PendingRights> AskForRights() {
  linux_tz::ProcessKeeper().Launch();
  return std::make_unique<KeeperStart>();
}

std::unique_ptr<Registry> MakeRegistry(const SystemPaths& paths) {
  // The open that asks for write rights waits for the keeper to be ready, or
  // refused; started by AskForRights(), it has answered by the load.
  return std::make_unique<linux_tz::LinuxRegistry>(
      paths, [] { return linux_tz::ProcessKeeper().Start(); }, talvane::tz::SystemUtcClock(),
      &linux_tz::ProcessZoneKeyLog());
}

}  // namespace platform
