// The version and time-zone calls the program makes, with the Windows
// signatures and results. The system's implementation comes from
// MakeSystemServices().
#pragma once

#include <memory>

#include "platform/system_paths.h"
#include "platform/win32_types.h"

namespace platform {

class SystemServices {
 public:
  virtual ~SystemServices() = default;

  virtual win::BOOL GetVersionExA(win::OSVERSIONINFOA* lpVersionInformation) = 0;
};

std::unique_ptr<SystemServices> MakeSystemServices(const SystemPaths& paths);

}  // namespace platform
