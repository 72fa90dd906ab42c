// The system's time-zone setting on disk (/etc/localtime): what it is, and
// replacing it so that every reader sees either the old or the new setting.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform::linux_tz {

// The setting exactly as it stands, so it can be put back as it was.
struct SettingSnapshot {
  enum class Kind { kAbsent, kSymlink, kFile };
  Kind kind = Kind::kAbsent;
  std::string link_target;          // kSymlink: the link's text, unresolved
  std::vector<std::uint8_t> bytes;  // kSymlink, kFile: the TZif data it leads to
  mode_t mode = 0644;               // kFile

  bool operator==(const SettingSnapshot&) const = default;
};

// nullopt when the setting exists but cannot be read (dangling link, no
// permission, a directory, larger than any TZif file).
std::optional<SettingSnapshot> ReadSetting(const std::filesystem::path& setting);

// Writes `data` to `path` under a temporary name beside it, synced, then
// renamed over it: readers see the old file or the new one, never a part of
// one, and a crash leaves no part of a file under `path`.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> data,
                         mode_t mode);

// Replaces the setting by a file with `tzif` as its contents, mode 0644.
bool WriteSetting(const std::filesystem::path& setting, std::span<const std::uint8_t> tzif);

// Puts back a snapshot: the same link text, the same bytes, or no file.
bool RestoreSetting(const std::filesystem::path& setting, const SettingSnapshot& snapshot);

}  // namespace platform::linux_tz
