// Version and time-zone services over the host's own system.
#pragma once

#include "platform/system_services.h"

namespace platform::linux_tz {

class LinuxSystemServices final : public SystemServices {
 public:
  explicit LinuxSystemServices(SystemPaths paths);

  // Reports the NT family, with the kernel's release numbers as the version.
  win::BOOL GetVersionExA(win::OSVERSIONINFOA* lpVersionInformation) override;

 private:
  SystemPaths paths_;
};

}  // namespace platform::linux_tz
