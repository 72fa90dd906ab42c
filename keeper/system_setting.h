// The system's time-zone setting on disk (/etc/localtime, /etc/timezone):
// reading it so that an error is never taken for an absence, and replacing it
// so that every reader sees either the old or the new setting.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keeper {

// The three answers of every look at a file. Only a file that is not there
// is absent; when the look fails, nothing is known of it.
enum class Found { kAbsent, kPresent, kUnknown };

// Whether something is at `path`, a link or anything else.
Found PresenceOf(const std::filesystem::path& path);

struct FileContents {
  Found found = Found::kUnknown;
  std::vector<std::uint8_t> bytes;  // kPresent
  std::string why;                  // kUnknown, for the log
};

// The bytes of a regular file (through a link only if `follow_link`) of at
// most `max_size` bytes. Anything else, an error or a short read is unknown.
FileContents ReadFileContents(const std::filesystem::path& file, std::size_t max_size,
                              bool follow_link);

// The program's files beside a setting file: DIR/.NAME.talvane-SUFFIX.
std::filesystem::path ProgramFileBeside(const std::filesystem::path& file, std::string_view suffix);

// `length` random lowercase hex digits; empty when the kernel gives none.
std::string RandomHex(std::size_t length);

// What a preview puts in place of a setting file.
struct Replacement {
  enum class Kind { kLink, kFile, kNothing };
  Kind kind = Kind::kFile;
  std::string link_target;          // kLink
  std::vector<std::uint8_t> bytes;  // kFile
  mode_t mode = 0644;               // kFile
};

// Writes a link or a file under a new temporary name beside `path`
// (.NAME.talvane-new.RANDOM), a file synced to disk; returns that name. On
// failure nothing is left behind.
std::optional<std::filesystem::path> Stage(const std::filesystem::path& path,
                                           const Replacement& replacement);
// Moves a staged file over `path` in one rename, so readers see the old file
// or the new one, never a part of one, and makes the rename durable.
bool Commit(const std::filesystem::path& staged, const std::filesystem::path& path);

// Makes renames, links and removals in the directory of `path` durable.
bool SyncDirectoryOf(const std::filesystem::path& path);

}  // namespace keeper
