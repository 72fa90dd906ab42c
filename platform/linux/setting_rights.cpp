#include "platform/linux/setting_rights.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform::linux_tz {

bool MayReplaceSetting(const std::filesystem::path& setting) {
  std::filesystem::path dir = setting.parent_path();
  if (dir.empty()) dir = ".";
  return faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace platform::linux_tz
