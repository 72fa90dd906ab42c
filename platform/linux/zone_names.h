// The names of the zones in a tz database, in the order Windows enumerates
// registry subkeys.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform::linux_tz {

// Windows orders subkeys by comparing names converted to upper case, the same
// in every locale.
bool RegistryOrderLess(std::string_view a, std::string_view b);
bool RegistryNamesEqual(std::string_view a, std::string_view b);

// Every zone line of tzdata.zi, or where that file is missing every TZif file
// under the directory except posix/, right/ and symbolic links. Reads names
// only; no zone file is parsed. Names that are not plain relative paths of the
// tz database's characters are left out. Sorted by RegistryOrderLess, without
// names that differ only in case.
std::vector<std::string> ListZoneNames(const std::filesystem::path& zoneinfo_dir);

}  // namespace platform::linux_tz
