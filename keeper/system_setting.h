// The system's time-zone setting on disk (/etc/localtime, /etc/timezone):
// what it is, and replacing it so that every reader sees either the old or
// the new setting.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keeper {

// The setting exactly as it stands, so it can be compared with what comes back.
struct SettingSnapshot {
  enum class Kind { kAbsent, kSymlink, kFile };
  Kind kind = Kind::kAbsent;
  std::string link_target;          // kSymlink: the link's text, unresolved
  std::vector<std::uint8_t> bytes;  // kSymlink, kFile: the data it leads to
  mode_t mode = 0644;               // kFile
  uid_t owner = 0;                  // kSymlink, kFile
  gid_t group = 0;

  bool operator==(const SettingSnapshot&) const = default;
};

// nullopt when the setting exists but cannot be read (dangling link, no
// permission, a directory, larger than any TZif file).
std::optional<SettingSnapshot> ReadSetting(const std::filesystem::path& setting);

// The program's files beside a setting file: DIR/.NAME.talvane-SUFFIX.
std::filesystem::path ProgramFileBeside(const std::filesystem::path& file, std::string_view suffix);

// What a preview puts in place of a setting file: a link, or a file.
struct Replacement {
  std::optional<std::string> link_target;
  std::vector<std::uint8_t> bytes;  // without a link target
  mode_t mode = 0644;
};

// Writes `replacement` under a temporary name beside `path`
// (.NAME.talvane-XXXXXX) and syncs it;
// returns that name. On failure nothing is left behind.
std::optional<std::filesystem::path> Stage(const std::filesystem::path& path,
                                           const Replacement& replacement);
// Moves a staged file over `path` in one rename, so readers see the old file
// or the new one, never a part of one, and makes the rename durable.
bool Commit(const std::filesystem::path& staged, const std::filesystem::path& path);

// Makes renames, links and removals in the directory of `path` durable.
bool SyncDirectoryOf(const std::filesystem::path& path);

}  // namespace keeper
