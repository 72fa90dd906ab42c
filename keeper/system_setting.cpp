#include "keeper/system_setting.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <span>

#include "keeper/protocol/unique_fd.h"
#include "platform/linux/tz/tzif_reader.h"

namespace keeper {
namespace {

namespace fs = std::filesystem;

// Only a regular file: opening a link to a FIFO or a device would block, or
// read forever.
std::optional<std::vector<std::uint8_t>> ReadBytes(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return std::nullopt;
  return talvane::tz::ReadZoneFileBytes(file);
}

bool WriteAll(int fd, std::span<const std::uint8_t> data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data = data.subspan(static_cast<std::size_t>(n));
  }
  return true;
}

std::optional<fs::path> StageFile(const fs::path& path, std::span<const std::uint8_t> data,
                                  mode_t mode) {
  std::string temp = ProgramFileBeside(path, "XXXXXX").string();
  UniqueFd fd(mkostemp(temp.data(), O_CLOEXEC));
  if (!fd) return std::nullopt;
  const bool ok = WriteAll(fd.get(), data) && fchmod(fd.get(), mode) == 0 && fsync(fd.get()) == 0;
  fd.Reset();
  if (ok) return fs::path(temp);
  unlink(temp.c_str());
  return std::nullopt;
}

std::optional<fs::path> StageSymlink(const fs::path& path, const std::string& target) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path temp = ProgramFileBeside(path, std::to_string(random()));
    if (symlink(target.c_str(), temp.c_str()) == 0) return temp;
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

fs::path ProgramFileBeside(const fs::path& file, std::string_view suffix) {
  std::string name = ".";
  name.append(file.filename().native()).append(".talvane-").append(suffix);
  return (file.has_parent_path() ? file.parent_path() : fs::path(".")) / name;
}

std::optional<SettingSnapshot> ReadSetting(const fs::path& setting) {
  struct stat st {};
  if (lstat(setting.c_str(), &st) != 0) {
    if (errno == ENOENT) return SettingSnapshot{};
    return std::nullopt;
  }
  SettingSnapshot snapshot;
  snapshot.owner = st.st_uid;
  snapshot.group = st.st_gid;
  if (S_ISLNK(st.st_mode)) {
    std::error_code ec;
    fs::path target = fs::read_symlink(setting, ec);
    if (ec) return std::nullopt;
    snapshot.kind = SettingSnapshot::Kind::kSymlink;
    snapshot.link_target = target.string();
  } else if (S_ISREG(st.st_mode)) {
    snapshot.kind = SettingSnapshot::Kind::kFile;
    snapshot.mode = st.st_mode & 07777;
  } else {
    return std::nullopt;
  }
  std::optional<std::vector<std::uint8_t>> bytes = ReadBytes(setting);
  if (!bytes) return std::nullopt;
  snapshot.bytes = std::move(*bytes);
  return snapshot;
}

std::optional<fs::path> Stage(const fs::path& path, const Replacement& replacement) {
  if (replacement.link_target) return StageSymlink(path, *replacement.link_target);
  return StageFile(path, replacement.bytes, replacement.mode);
}

bool Commit(const fs::path& staged, const fs::path& path) {
  return rename(staged.c_str(), path.c_str()) == 0 && SyncDirectoryOf(path);
}

bool SyncDirectoryOf(const fs::path& path) {
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const UniqueFd fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd && fsync(fd.get()) == 0;
}

}  // namespace keeper
