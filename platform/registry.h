// The registry calls the program makes, with the Windows signatures and
// results. The system's implementation comes from MakeRegistry().
#pragma once

#include <memory>

#include "platform/system_paths.h"
#include "platform/win32_types.h"

namespace platform {

class Registry {
 public:
  virtual ~Registry() = default;

  virtual win::LONG RegOpenKeyExA(win::HKEY hKey, const char* lpSubKey, win::DWORD ulOptions,
                                  win::REGSAM samDesired, win::HKEY* phkResult) = 0;
  // cchName counts characters, the terminating NUL included.
  virtual win::LONG RegEnumKeyA(win::HKEY hKey, win::DWORD dwIndex, char* lpName,
                                win::DWORD cchName) = 0;
  // A buffer too small gives ERROR_MORE_DATA and the size needed in
  // *lpcbData, the buffer untouched; string sizes count the NUL.
  virtual win::LONG RegQueryValueExA(win::HKEY hKey, const char* lpValueName,
                                     win::DWORD* lpReserved, win::DWORD* lpType, win::BYTE* lpData,
                                     win::DWORD* lpcbData) = 0;
  virtual win::LONG RegCloseKey(win::HKEY hKey) = 0;
};

std::unique_ptr<Registry> MakeRegistry(const SystemPaths& paths);

}  // namespace platform
