#include "tz/zone_names.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "tz/tzif_reader.h"

namespace talvane::tz {
namespace {

namespace fs = std::filesystem;

// ASCII only, as the names are: std::toupper follows the locale the toolkit
// takes from the environment, and under tr_TR.UTF-8 it leaves "i" as it is.
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsNameCharacter(char c) {
  return IsLetter(c) || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-' || c == '+';
}

// tzdata.zi lines: "Z NAME STDOFF RULES FORMAT [UNTIL]"; we need NAME only.
std::vector<std::string> ReadZoneLines(std::string_view text) {
  std::vector<std::string> names;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.starts_with("Z ")) continue;
    line.remove_prefix(std::min(line.find_first_not_of(" \t", 1), line.size()));
    const std::string_view name = line.substr(0, line.find_first_of(" \t"));
    if (!name.empty()) names.emplace_back(name);
  }
  return names;
}

bool HasTzifMagic(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::array<char, 4> magic{};
  return in.read(magic.data(), magic.size()) && std::string_view(magic.data(), 4) == "TZif";
}

std::vector<std::string> FindTzifFiles(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    // posix/ and right/ repeat the database under other time scales.
    if (it.depth() == 0 && entry.is_directory() &&
        (entry.path().filename() == "posix" || entry.path().filename() == "right")) {
      it.disable_recursion_pending();
      continue;
    }
    if (entry.is_symlink() || !entry.is_regular_file() || !HasTzifMagic(entry.path())) continue;
    names.push_back(entry.path().lexically_relative(dir).generic_string());
  }
  return names;
}

}  // namespace

bool IsZoneName(std::string_view name) {
  if (name.empty() || name.size() > kMaxZoneNameLength) return false;
  bool component_start = true;
  for (char c : name) {
    if (c == '/') {
      if (component_start) return false;  // empty component, or a leading '/'
      component_start = true;
      continue;
    }
    if (component_start ? !IsLetter(c) : !IsNameCharacter(c)) return false;
    component_start = false;
  }
  return !component_start;  // no trailing '/'
}

bool RegistryOrderLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(Upper(x)) < static_cast<unsigned char>(Upper(y));
  });
}

bool RegistryNamesEqual(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return Upper(x) == Upper(y); });
}

std::vector<std::string> ListZoneNames(const fs::path& zoneinfo_dir) {
  const auto zi = talvane::tz::ReadZoneFileBytes(zoneinfo_dir / "tzdata.zi");
  std::vector<std::string> names =
      zi ? ReadZoneLines({reinterpret_cast<const char*>(zi->data()), zi->size()})
         : FindTzifFiles(zoneinfo_dir);
  std::erase_if(names,
                [](const std::string& name) { return !IsZoneName(name) || name == "Factory"; });
  std::stable_sort(names.begin(), names.end(), RegistryOrderLess);
  names.erase(std::unique(names.begin(), names.end(), RegistryNamesEqual), names.end());
  return names;
}

}  // namespace talvane::tz
