#include "platform/linux/way_back.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/linux/unique_fd.h"

namespace platform::linux_tz {
namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

std::uint64_t Fnv1a(std::uint64_t hash, const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    hash = (hash ^ static_cast<unsigned char>(data[i])) * kFnvPrime;
  }
  return hash;
}

bool Exists(const char* path) {
  struct stat st;
  return lstat(path, &st) == 0;
}

}  // namespace

bool IdentityOf(const char* path, FileIdentity* identity) {
  struct stat st;
  if (lstat(path, &st) != 0) return false;
  *identity = {};
  identity->inode = st.st_ino;
  std::uint64_t hash = kFnvOffset;
  if (S_ISLNK(st.st_mode)) {
    char text[PATH_MAX];
    const ssize_t length = readlink(path, text, sizeof text);
    if (length < 0) return false;
    identity->is_link = 1;
    identity->size = static_cast<std::uint64_t>(length);
    identity->hash = Fnv1a(hash, text, static_cast<std::size_t>(length));
    return true;
  }
  if (!S_ISREG(st.st_mode)) return false;
  const UniqueFd fd(open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!fd) return false;
  char block[1024];
  ssize_t n;
  while ((n = read(fd.get(), block, sizeof block)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    hash = Fnv1a(hash, block, static_cast<std::size_t>(n));
    identity->size += static_cast<std::uint64_t>(n);
  }
  identity->hash = hash;
  return n == 0;
}

WayBackResult TakeWayBack(const WayBackPaths& paths, const FileIdentity* applied) {
  const bool restore = Exists(paths.restore);
  if (!restore && !Exists(paths.absent)) return WayBackResult::kNone;
  FileIdentity now;
  const bool ours = applied != nullptr && IdentityOf(paths.file, &now) && now == *applied;
  if (!ours) {
    if ((unlink(paths.restore) != 0 && errno != ENOENT) ||
        (unlink(paths.absent) != 0 && errno != ENOENT)) {
      return WayBackResult::kFailed;
    }
    return WayBackResult::kDropped;
  }
  if (restore) {
    if (rename(paths.restore, paths.file) != 0) return WayBackResult::kFailed;
  } else if (unlink(paths.file) != 0 || unlink(paths.absent) != 0) {
    return WayBackResult::kFailed;
  }
  return WayBackResult::kTaken;
}

bool CopyPath(char (&to)[PATH_MAX], const char* from) {
  const std::size_t length = strnlen(from, PATH_MAX);
  if (length == PATH_MAX) return false;
  std::memcpy(to, from, length + 1);
  return true;
}

void SyncDirectoryOf(const char* path) {
  char dir[PATH_MAX];
  if (!CopyPath(dir, path)) return;
  char* slash = std::strrchr(dir, '/');
  if (slash == nullptr) {
    std::strcpy(dir, ".");
  } else if (slash == dir) {
    dir[1] = '\0';
  } else {
    *slash = '\0';
  }
  const UniqueFd fd(open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd) fsync(fd.get());
}

}  // namespace platform::linux_tz
