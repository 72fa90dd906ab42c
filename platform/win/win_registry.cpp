// The registry calls, forwarded to advapi32.
#include <memory>

#include "platform/pending_rights.h"
#include "platform/registry.h"
// After the platform headers: see native.h.
#include "platform/win/native.h"

namespace platform {
namespace {

class Win32Registry final : public Registry {
 public:
  win::LONG RegOpenKeyExA(win::HKEY hKey, const char* lpSubKey, win::DWORD ulOptions,
                          win::REGSAM samDesired, win::HKEY* phkResult) override {
    ::HKEY opened = nullptr;
    const LONG result =
        ::RegOpenKeyExA(win32::ToNative(hKey), lpSubKey, ulOptions, samDesired, &opened);
    if (result == ERROR_SUCCESS) *phkResult = win32::FromNative(opened);
    return result;
  }
  win::LONG RegEnumKeyA(win::HKEY hKey, win::DWORD dwIndex, char* lpName,
                        win::DWORD cchName) override {
    return ::RegEnumKeyA(win32::ToNative(hKey), dwIndex, lpName, cchName);
  }
  win::LONG RegQueryValueExA(win::HKEY hKey, const char* lpValueName, win::DWORD* lpReserved,
                             win::DWORD* lpType, win::BYTE* lpData, win::DWORD* lpcbData) override {
    return ::RegQueryValueExA(
        win32::ToNative(hKey), lpValueName, reinterpret_cast<::DWORD*>(lpReserved),
        reinterpret_cast<::DWORD*>(lpType), lpData, reinterpret_cast<::DWORD*>(lpcbData));
  }
  win::LONG RegCloseKey(win::HKEY hKey) override { return ::RegCloseKey(win32::ToNative(hKey)); }
};

}  // namespace

std::unique_ptr<Registry> MakeRegistry(const SystemPaths&) {
  return std::make_unique<Win32Registry>();
}

// The manifest's elevation prompt is answered before the program starts.
std::unique_ptr<PendingRights> AskForRights() { return nullptr; }

}  // namespace platform
