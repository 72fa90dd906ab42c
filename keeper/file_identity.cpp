#include "keeper/file_identity.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>

#include "tz/tzif_reader.h"

namespace keeper {
namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

std::uint64_t Fnv1a(std::uint64_t hash, const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    hash = (hash ^ static_cast<unsigned char>(data[i])) * kFnvPrime;
  }
  return hash;
}

}  // namespace

FileIdentity IdentityOf(const std::filesystem::path& path) {
  FileIdentity unknown;
  unknown.found = Found::kUnknown;
  struct statx st;
  if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_INO | STATX_BTIME,
            &st) != 0) {
    return errno == ENOENT ? FileIdentity{} : unknown;
  }
  FileIdentity identity;
  identity.found = Found::kPresent;
  identity.inode = st.stx_ino;
  if ((st.stx_mask & STATX_BTIME) != 0) {
    identity.birth_ns = st.stx_btime.tv_sec * 1'000'000'000 + st.stx_btime.tv_nsec;
  }
  std::uint64_t hash = kFnvOffset;
  if (S_ISLNK(st.stx_mode)) {
    char text[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), text, sizeof text);
    if (length < 0) return unknown;
    identity.is_link = true;
    identity.size = static_cast<std::uint64_t>(length);
    identity.hash = Fnv1a(hash, text, static_cast<std::size_t>(length));
    return identity;
  }
  if (!S_ISREG(st.stx_mode)) return unknown;
  // A file of the setting is a zone file or a zone's name: one bounded read.
  const FileContents contents = ReadFileContents(path, talvane::tz::kMaxTzifFileSize, false);
  if (contents.found != Found::kPresent) return unknown;
  identity.size = contents.bytes.size();
  identity.hash =
      Fnv1a(hash, reinterpret_cast<const char*>(contents.bytes.data()), contents.bytes.size());
  return identity;
}

std::string FormatIdentity(const FileIdentity& id) {
  if (id.found == Found::kAbsent) return "absent";
  char line[128];
  std::snprintf(line, sizeof line, "%s %" PRIu64 " %" PRId64 " %" PRIu64 " %016" PRIx64,
                id.is_link ? "link" : "file", id.inode, id.birth_ns, id.size, id.hash);
  return line;
}

std::optional<FileIdentity> ParseIdentity(const std::string& text) {
  if (text == "absent") return FileIdentity{};
  FileIdentity id;
  id.found = Found::kPresent;
  char kind[5];
  int end = 0;
  if (std::sscanf(text.c_str(), "%4s %" SCNu64 " %" SCNd64 " %" SCNu64 " %" SCNx64 "%n", kind,
                  &id.inode, &id.birth_ns, &id.size, &id.hash, &end) != 5 ||
      static_cast<std::size_t>(end) != text.size()) {
    return std::nullopt;
  }
  const std::string_view k = kind;
  if (k != "link" && k != "file") return std::nullopt;
  id.is_link = k == "link";
  return id;
}

}  // namespace keeper
