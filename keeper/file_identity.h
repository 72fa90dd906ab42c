// What is at a path of the setting, exactly enough to tell one file from
// another that took its place: the same link or file by its inode and birth
// time, and the same text or bytes by a hash.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include "keeper/system_setting.h"

namespace keeper {

struct FileIdentity {
  Found found = Found::kAbsent;
  bool is_link = false;
  std::uint64_t inode = 0;
  // Nanoseconds since the epoch, 0 where the file system keeps none. Ext4
  // hands a freed inode to the next file made, so the inode alone can be
  // fooled by a file removed and made again; its birth time cannot.
  std::int64_t birth_ns = 0;
  std::uint64_t size = 0;
  std::uint64_t hash = 0;  // FNV-1a of a link's text or a file's bytes

  bool operator==(const FileIdentity& other) const {
    return found != Found::kUnknown && std::tie(found, is_link, inode, birth_ns, size, hash) ==
                                           std::tie(other.found, other.is_link, other.inode,
                                                    other.birth_ns, other.size, other.hash);
  }
};

// Unknown when something is there but cannot be read: neither a link nor a
// regular file, or an error. An unknown identity equals no other.
FileIdentity IdentityOf(const std::filesystem::path& path);

// One line of text, and back, for an identity that is known; nullopt for a
// line that is not one.
std::string FormatIdentity(const FileIdentity& identity);
std::optional<FileIdentity> ParseIdentity(const std::string& text);

}  // namespace keeper
