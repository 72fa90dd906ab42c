#include <string>
#include <utility>

#include "platform/win/logon_run.h"
#include "platform/win/way_back_store.h"
// After the platform headers: see native.h.
#include "platform/win/native.h"
#include "platform/win/owned_handles.h"
#include "platform/win/system_function.h"

namespace platform::win32 {
namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\Talvane";
constexpr wchar_t kValue[] = L"PreviewWayBack";
constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
// The "!" makes Windows drop the value only once the command has succeeded,
// rather than before it runs, so a run that fails is tried again.
constexpr wchar_t kRunOnceValue[] = L"!Talvane";
// Windows runs no longer command line from RunOnce.
constexpr std::size_t kRunOnceCommandLimit = 260;
// The 64-bit view on 64-bit Windows, so that the 32-bit and the 64-bit
// executables find each other's; 32-bit Windows has only the one.
constexpr REGSAM kView = KEY_WOW64_64KEY;

// Opens HKEY_LOCAL_MACHINE\path for reading values, and for writing them
// unless `read_only`, creating it when asked: the error code of the open.
LONG OpenKey(const wchar_t* path, bool create, OwnedKey* key, bool read_only = false) {
  const REGSAM access = KEY_QUERY_VALUE | (read_only ? 0 : KEY_SET_VALUE) | kView;
  HKEY opened = nullptr;
  const LONG result =
      create ? ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 access, nullptr, &opened, nullptr)
             : ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access, &opened);
  if (result == ERROR_SUCCESS) key->reset(opened);
  return result;
}

// Writes one value, flushed: what a power loss takes away is no way back.
bool WriteValue(const wchar_t* path, const wchar_t* name, DWORD type, const void* data,
                std::size_t size) {
  OwnedKey key;
  return OpenKey(path, true, &key) == ERROR_SUCCESS &&
         ::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(size)) == ERROR_SUCCESS &&
         ::RegFlushKey(key.get()) == ERROR_SUCCESS;
}

// Deletes one value, flushed; true when it is gone or never was. The key
// goes too, when asked and nothing else is left in it.
bool DeleteValue(const wchar_t* path, const wchar_t* name, bool drop_empty_key) {
  OwnedKey key;
  const LONG open = OpenKey(path, false, &key);
  if (open == ERROR_FILE_NOT_FOUND) return true;
  if (open != ERROR_SUCCESS) return false;
  const LONG deleted = ::RegDeleteValueW(key.get(), name);
  if ((deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) ||
      ::RegFlushKey(key.get()) != ERROR_SUCCESS) {
    return false;
  }
  DWORD subkeys = 0;
  DWORD values = 0;
  if (!drop_empty_key ||
      ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
      subkeys != 0 || values != 0) {
    return true;
  }
  key.reset();
  // RegDeleteKeyW knows no views; where there are two, RegDeleteKeyExW does.
  using DeleteKeyExFn = LONG(WINAPI*)(HKEY, const wchar_t*, REGSAM, DWORD);
  const auto delete_key_ex = SystemFunction<DeleteKeyExFn>("advapi32.dll", "RegDeleteKeyExW");
  if (delete_key_ex != nullptr) {
    delete_key_ex(HKEY_LOCAL_MACHINE, path, kView, 0);
  } else {
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
  }
  return true;
}

class RegistryStore final : public WayBackStore {
 public:
  explicit RegistryStore(std::optional<std::wstring> log_on_command)
      : log_on_command_(std::move(log_on_command)) {}

  bool Save(const WayBackRecord& record) override {
    // The log-on run first, so that every way back kept has one.
    return log_on_command_ && !log_on_command_->empty() &&
           log_on_command_->size() <= kRunOnceCommandLimit &&
           WriteValue(kRunOnceKey, kRunOnceValue, REG_SZ, log_on_command_->c_str(),
                      (log_on_command_->size() + 1) * sizeof(wchar_t)) &&
           WriteValue(kKey, kValue, REG_BINARY, &record, sizeof record);
  }
  std::optional<WayBackRecord> Load() override {
    OwnedKey key;
    if (OpenKey(kKey, false, &key, true) != ERROR_SUCCESS) return std::nullopt;
    WayBackRecord record{};
    DWORD type = 0;
    DWORD size = sizeof record;
    if (::RegQueryValueExW(key.get(), kValue, nullptr, &type, reinterpret_cast<BYTE*>(&record),
                           &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof record) {
      return std::nullopt;
    }
    return record;
  }
  bool Remove() override {
    // The way back first: a log-on run left behind finds nothing to do.
    return DeleteValue(kKey, kValue, true) &&
           (!log_on_command_ || DeleteValue(kRunOnceKey, kRunOnceValue, false));
  }

 private:
  std::optional<std::wstring> log_on_command_;
};

}  // namespace

std::unique_ptr<WayBackStore> MakeRegistryWayBackStore(std::optional<std::wstring> log_on_command) {
  return std::make_unique<RegistryStore>(std::move(log_on_command));
}

WayBackStore& RegistryWayBackStore() {
  static RegistryStore store(LogOnRunCommand());
  return store;
}

}  // namespace platform::win32
