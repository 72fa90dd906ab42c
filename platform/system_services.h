// The version and time-zone calls the program makes, with the Windows
// signatures and results. The system's implementation comes from
// MakeSystemServices().
#pragma once

#include <cstddef>
#include <memory>

#include "platform/system_paths.h"
#include "platform/win32_types.h"

namespace platform {

class SystemServices {
 public:
  virtual ~SystemServices() = default;

  virtual win::BOOL GetVersionExA(win::OSVERSIONINFOA* lpVersionInformation) = 0;
  // Returns a TIME_ZONE_ID_* value, TIME_ZONE_ID_INVALID on failure.
  virtual win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) = 0;
  // Returns 0 on failure, when nothing has changed.
  virtual win::BOOL SetTimeZoneInformation(
      const win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) = 0;
  // Returns the number of characters written, 0 on failure.
  virtual int MultiByteToWideChar(win::UINT CodePage, win::DWORD dwFlags,
                                  const char* lpMultiByteStr, int cbMultiByte,
                                  win::WCHAR* lpWideCharStr, int cchWideChar) = 0;
  virtual void RtlMoveMemory(void* Destination, const void* Source, std::size_t Length) = 0;
};

std::unique_ptr<SystemServices> MakeSystemServices(const SystemPaths& paths);

}  // namespace platform
