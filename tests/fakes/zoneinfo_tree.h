// A temporary tz database and system setting, removed when the test ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_paths.h"

namespace fakes {

class ZoneinfoTree {
 public:
  ZoneinfoTree();
  ~ZoneinfoTree();
  ZoneinfoTree(const ZoneinfoTree&) = delete;
  ZoneinfoTree& operator=(const ZoneinfoTree&) = delete;

  const platform::SystemPaths& paths() const { return paths_; }
  const std::filesystem::path& root() const { return root_; }

  // Writes a file below the zoneinfo directory, making its directories.
  void AddFile(const std::string& name, std::string_view contents);
  // A file that starts like a TZif file; enough for listing, not for reading.
  void AddTzifStub(const std::string& name);
  // tzdata.zi with a zone line for each name, among rule and link lines.
  void WriteTzdataZi(const std::vector<std::string_view>& zones);
  // Copies the host's own file of a zone into the tree.
  void CopyHostZone(const std::string& name);

 private:
  std::filesystem::path root_;
  platform::SystemPaths paths_;
};

// What is at a path of the setting, exactly: "absent", or the link or file
// by its inode, birth time and bytes, or "unknown".
std::string FileState(const std::filesystem::path& path);

}  // namespace fakes
