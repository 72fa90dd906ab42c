// The names of the zones in a tz database, in the order Windows enumerates
// registry subkeys: the list the window shows, and the only names the keeper
// puts the system in.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace talvane::tz {

// Windows orders subkeys by comparing names converted to upper case, the same
// in every locale.
bool RegistryOrderLess(std::string_view a, std::string_view b);
bool RegistryNamesEqual(std::string_view a, std::string_view b);

// Longer than any name of the tz database (30 characters in 2025).
inline constexpr std::size_t kMaxZoneNameLength = 64;

// A name as the tz database spells its zones: components of ASCII letters,
// digits, '.', '_', '-' and '+', joined by '/', each starting with a letter.
// Names become paths below the zone directory and registry key names, so
// this leaves out absolute paths, "." and "..", hidden files, empty
// components, NULs and backslashes, whatever a file or a request holds.
bool IsZoneName(std::string_view name);

// Every zone line of tzdata.zi, or where that file is missing every TZif file
// under the directory except posix/, right/ and symbolic links. Reads names
// only; no zone file is parsed. Names that are not zone names, and Factory,
// which says that no zone is set, are left out. Sorted by RegistryOrderLess,
// without names that differ only in case.
std::vector<std::string> ListZoneNames(const std::filesystem::path& zoneinfo_dir);

}  // namespace talvane::tz
