#include "tests/fakes/zoneinfo_tree.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "keeper/file_identity.h"

namespace fakes {

ZoneinfoTree::ZoneinfoTree() {
  std::string dir = (std::filesystem::temp_directory_path() / "talvane-test-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = dir;
  paths_.zoneinfo_dir = root_ / "zoneinfo";
  paths_.localtime = root_ / "etc" / "localtime";
  paths_.timezone = root_ / "etc" / "timezone";
  std::filesystem::create_directories(paths_.zoneinfo_dir);
  std::filesystem::create_directories(paths_.localtime.parent_path());
}

ZoneinfoTree::~ZoneinfoTree() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

void ZoneinfoTree::AddFile(const std::string& name, std::string_view contents) {
  std::filesystem::path file = paths_.zoneinfo_dir / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

void ZoneinfoTree::AddTzifStub(const std::string& name) {
  AddFile(name, std::string("TZif2") + std::string(40, '\0'));
}

void ZoneinfoTree::CopyHostZone(const std::string& name) {
  std::filesystem::path file = paths_.zoneinfo_dir / name;
  std::filesystem::create_directories(file.parent_path());
  std::filesystem::copy_file(std::filesystem::path("/usr/share/zoneinfo") / name, file,
                             std::filesystem::copy_options::overwrite_existing);
}

void ZoneinfoTree::WriteTzdataZi(const std::vector<std::string_view>& zones) {
  std::string text = "# version test\nR E 1981 ma - Mar lastSu 1u 1 S\n";
  for (std::string_view zone : zones) text += "Z " + std::string(zone) + " 2 E EE%sT\n";
  text += "L Europe/Helsinki Europe/Mariehamn\n";
  AddFile("tzdata.zi", text);
}

std::string FileState(const std::filesystem::path& path) {
  const keeper::FileIdentity identity = keeper::IdentityOf(path);
  return identity.found == keeper::Found::kUnknown ? "unknown" : keeper::FormatIdentity(identity);
}

}  // namespace fakes
