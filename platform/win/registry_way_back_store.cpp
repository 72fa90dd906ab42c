#include <cstring>

#include "platform/win/way_back_store.h"
// After the platform headers: see native.h.
#include "platform/win/native.h"

namespace platform::win32 {
namespace {

constexpr char kKey[] = "SOFTWARE\\Talvane";
constexpr char kValue[] = "PreviewWayBack";

class RegistryStore final : public WayBackStore {
 public:
  bool Save(const WayBackRecord& record) override {
    ::HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    const LONG set = ::RegSetValueExA(key, kValue, 0, REG_BINARY,
                                      reinterpret_cast<const BYTE*>(&record), sizeof record);
    // Flushed: a way back that a power loss takes away is no way back.
    const bool saved = set == ERROR_SUCCESS && ::RegFlushKey(key) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return saved;
  }
  std::optional<WayBackRecord> Load() override {
    ::HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    WayBackRecord record{};
    DWORD type = 0;
    DWORD size = sizeof record;
    const LONG read =
        ::RegQueryValueExA(key, kValue, nullptr, &type, reinterpret_cast<BYTE*>(&record), &size);
    ::RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_BINARY || size != sizeof record) return std::nullopt;
    return record;
  }
  void Remove() override {
    ::HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
      return;
    }
    ::RegDeleteValueA(key, kValue);
    ::RegFlushKey(key);
    ::RegCloseKey(key);
    // The program's key goes too when nothing else is in it.
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
  }
};

}  // namespace

WayBackStore& RegistryWayBackStore() {
  static RegistryStore store;
  return store;
}

}  // namespace platform::win32
