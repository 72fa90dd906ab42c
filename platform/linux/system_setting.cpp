#include "platform/linux/system_setting.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <random>

namespace platform::linux_tz {
namespace {

namespace fs = std::filesystem;

// No TZif file comes near this; anything larger is not a time-zone setting.
constexpr std::uintmax_t kMaxSettingSize = 4u << 20;

std::optional<std::vector<std::uint8_t>> ReadBytes(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec) || fs::file_size(file, ec) > kMaxSettingSize || ec) {
    return std::nullopt;
  }
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
  if (!in.eof() && in.fail()) return std::nullopt;
  return bytes;
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

// Makes a rename in `dir` durable.
void SyncDirectory(const fs::path& dir) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

fs::path DirectoryOf(const fs::path& setting) {
  return setting.has_parent_path() ? setting.parent_path() : fs::path(".");
}

bool ReplaceWithSymlink(const fs::path& setting, const std::string& target) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path temp = DirectoryOf(setting) / (".localtime.talvane-" + std::to_string(random()));
    if (symlink(target.c_str(), temp.c_str()) != 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (rename(temp.c_str(), setting.c_str()) == 0) {
      SyncDirectory(DirectoryOf(setting));
      return true;
    }
    unlink(temp.c_str());
    return false;
  }
  return false;
}

}  // namespace

bool WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> data, mode_t mode) {
  std::string temp = (DirectoryOf(path) / ".localtime.talvane-XXXXXX").string();
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, data) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok && rename(temp.c_str(), path.c_str()) == 0) {
    SyncDirectory(DirectoryOf(path));
    return true;
  }
  unlink(temp.c_str());
  return false;
}

std::optional<SettingSnapshot> ReadSetting(const fs::path& setting) {
  struct stat st {};
  if (lstat(setting.c_str(), &st) != 0) {
    if (errno == ENOENT) return SettingSnapshot{};
    return std::nullopt;
  }
  SettingSnapshot snapshot;
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

bool WriteSetting(const fs::path& setting, std::span<const std::uint8_t> tzif) {
  return WriteFileAtomically(setting, tzif, 0644);
}

bool RestoreSetting(const fs::path& setting, const SettingSnapshot& snapshot) {
  switch (snapshot.kind) {
    case SettingSnapshot::Kind::kAbsent:
      if (unlink(setting.c_str()) == 0) {
        SyncDirectory(DirectoryOf(setting));
        return true;
      }
      return errno == ENOENT;
    case SettingSnapshot::Kind::kSymlink:
      return ReplaceWithSymlink(setting, snapshot.link_target);
    case SettingSnapshot::Kind::kFile:
      return WriteFileAtomically(setting, snapshot.bytes, snapshot.mode);
  }
  return false;
}

}  // namespace platform::linux_tz
