#include "keeper/system_setting.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <span>

#include "keeper/protocol/unique_fd.h"

namespace keeper {
namespace {

namespace fs = std::filesystem;

bool WriteAll(int fd, std::span<const std::uint8_t> data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data = data.subspan(static_cast<std::size_t>(n));
  }
  return true;
}

// Makes something under a fresh temporary name beside `path` with `make`,
// which fails with EEXIST when the name is taken.
template <typename Make>
std::optional<fs::path> MakeBeside(const fs::path& path, Make make) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string random = RandomHex(16);
    if (random.empty()) return std::nullopt;
    fs::path temp = ProgramFileBeside(path, "new." + random);
    if (make(temp)) return temp;
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

Found PresenceOf(const fs::path& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) return Found::kPresent;
  return errno == ENOENT ? Found::kAbsent : Found::kUnknown;
}

FileContents ReadFileContents(const fs::path& file, std::size_t max_size, bool follow_link) {
  auto unknown = [](std::string why) {
    return FileContents{.found = Found::kUnknown, .bytes = {}, .why = std::move(why)};
  };
  // O_NONBLOCK: a FIFO put in a file's place must not hold the keeper.
  const UniqueFd fd(
      open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (follow_link ? 0 : O_NOFOLLOW)));
  if (!fd) {
    if (errno == ENOENT) return FileContents{.found = Found::kAbsent, .bytes = {}, .why = {}};
    return unknown(std::strerror(errno));
  }
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return unknown(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return unknown("not a regular file");
  if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > max_size) {
    return unknown("larger than " + std::to_string(max_size) + " bytes");
  }
  FileContents contents{.found = Found::kPresent, .bytes = {}, .why = {}};
  contents.bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t size = 0;
  ssize_t n;
  while (size < contents.bytes.size() &&
         (n = read(fd.get(), contents.bytes.data() + size, contents.bytes.size() - size)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return unknown(std::strerror(errno));
    size += static_cast<std::size_t>(n);
  }
  if (size != static_cast<std::size_t>(st.st_size)) return unknown("changed while it was read");
  contents.bytes.resize(size);
  return contents;
}

fs::path ProgramFileBeside(const fs::path& file, std::string_view suffix) {
  std::string name = ".";
  name.append(file.filename().native()).append(".talvane-").append(suffix);
  return (file.has_parent_path() ? file.parent_path() : fs::path(".")) / name;
}

std::string RandomHex(std::size_t length) {
  std::vector<unsigned char> bytes((length + 1) / 2);
  if (getrandom(bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) return "";
  std::string hex;
  for (unsigned char b : bytes) {
    hex += "0123456789abcdef"[b >> 4];
    hex += "0123456789abcdef"[b & 15];
  }
  hex.resize(length);
  return hex;
}

std::optional<fs::path> Stage(const fs::path& path, const Replacement& replacement) {
  switch (replacement.kind) {
    case Replacement::Kind::kLink:
      return MakeBeside(path, [&](const fs::path& temp) {
        return symlink(replacement.link_target.c_str(), temp.c_str()) == 0;
      });
    case Replacement::Kind::kFile: {
      UniqueFd fd;
      std::optional<fs::path> temp = MakeBeside(path, [&](const fs::path& name) {
        fd = UniqueFd(open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        return static_cast<bool>(fd);
      });
      if (!temp) return std::nullopt;
      const bool ok = WriteAll(fd.get(), replacement.bytes) &&
                      fchmod(fd.get(), replacement.mode) == 0 && fsync(fd.get()) == 0;
      fd.Reset();
      if (ok) return temp;
      unlink(temp->c_str());
      return std::nullopt;
    }
    case Replacement::Kind::kNothing:
      break;
  }
  return std::nullopt;
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
