#include "platform/linux/linux_registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/linux/ansi_code_page.h"
#include "tests/fakes/zoneinfo_tree.h"
#include "tz/zone_names.h"

namespace {

using platform::linux_tz::LinuxRegistry;
using ::testing::ElementsAre;

constexpr char kZonesPath[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";
constexpr win::REGSAM kAllRights = 0x3F;
constexpr win::REGSAM kReadRights = 0x19;

// Every name the registry enumerates under the time-zone key.
std::vector<std::string> EnumerateAll(platform::Registry& registry, win::HKEY key) {
  std::vector<std::string> names;
  std::array<char, 256> buffer{};
  for (win::DWORD i = 0; registry.RegEnumKeyA(key, i, buffer.data(), buffer.size()) == 0; ++i) {
    names.emplace_back(buffer.data());
  }
  return names;
}

class LinuxRegistryTest : public ::testing::Test {
 protected:
  LinuxRegistry MakeRegistry(bool may_change_setting = true) {
    return LinuxRegistry(
        tree.paths(), [may_change_setting] { return may_change_setting; },
        talvane::tz::SystemUtcClock());
  }
  win::HKEY OpenZones(platform::Registry& registry) {
    win::HKEY key{};
    EXPECT_EQ(registry.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kZonesPath, 0, kAllRights, &key), 0);
    return key;
  }

  fakes::ZoneinfoTree tree;
};

TEST_F(LinuxRegistryTest, ZoneLinesOfTzdataZiEnumerateInWindowsOrder) {
  // Windows compares upper-cased names, so '_' (after 'Z') sorts after letters;
  // "Lima" comes before "Los_Angeles" in every locale.
  tree.WriteTzdataZi({"Europe/Helsinki", "America/Port_of_Spain", "America/Porto_Velho",
                      "america/port-au-prince", "UTC", "Etc/GMT+1", "America/Los_Angeles",
                      "America/Lima"});
  LinuxRegistry registry = MakeRegistry();

  EXPECT_THAT(EnumerateAll(registry, OpenZones(registry)),
              ElementsAre("America/Lima", "America/Los_Angeles", "america/port-au-prince",
                          "America/Porto_Velho", "America/Port_of_Spain", "Etc/GMT+1",
                          "Europe/Helsinki", "UTC"));
}

TEST_F(LinuxRegistryTest, NamesThatCouldLeadOutOfTheTreeAreLeftOut) {
  // A zone file beside the tree, which such a name would reach.
  std::filesystem::copy_file("/usr/share/zoneinfo/Asia/Tokyo", tree.root() / "outside");
  const std::string absolute = (tree.root() / "outside").string();
  const std::vector<std::string_view> hostile = {
      "../outside",   absolute,
      "Asia//Tokyo",  "Asia/./Tokyo",
      "./Asia/Tokyo", "Asia/Tokyo/",
      "Asia\\Tokyo",  std::string_view("Asia/Tokyo\0/../../outside", 25)};
  std::vector<std::string_view> lines = hostile;
  lines.push_back("Asia/Tokyo");
  tree.WriteTzdataZi(lines);
  tree.CopyHostZone("Asia/Tokyo");
  LinuxRegistry registry = MakeRegistry();
  win::HKEY zones = OpenZones(registry);

  EXPECT_THAT(EnumerateAll(registry, zones), ElementsAre("Asia/Tokyo"));
  for (const std::string_view name : hostile) {
    win::HKEY key{};
    EXPECT_EQ(registry.RegOpenKeyExA(zones, std::string(name).c_str(), 0, kAllRights, &key),
              name.find('\0') == name.npos ? win::ERROR_FILE_NOT_FOUND : win::ERROR_SUCCESS)
        << name;  // up to its NUL, the last one is plain Asia/Tokyo
  }
}

TEST_F(LinuxRegistryTest, ListingReadsNamesOnlyAndNeverZoneFiles) {
  // Zone files that are missing or unreadable do not keep their names out.
  tree.WriteTzdataZi({"Asia/Tokyo", "Asia/Seoul"});
  tree.AddFile("Asia/Tokyo", "not a TZif file");
  LinuxRegistry registry = MakeRegistry();

  EXPECT_THAT(EnumerateAll(registry, OpenZones(registry)), ElementsAre("Asia/Seoul", "Asia/Tokyo"));
}

TEST_F(LinuxRegistryTest, WithoutTzdataZiTheTzifFilesAreListedButNotLinksOrOtherTrees) {
  tree.AddTzifStub("Europe/Paris");
  tree.AddTzifStub("America/Argentina/Salta");
  tree.AddTzifStub("UTC");
  tree.AddTzifStub("posix/Europe/Paris");
  tree.AddTzifStub("right/UTC");
  tree.AddFile("zone.tab", "FR\t+4852+00220\tEurope/Paris\n");
  std::filesystem::create_symlink("Paris", tree.paths().zoneinfo_dir / "Europe" / "Monaco");
  // Entries that are no zone names, and a directory outside the tree.
  tree.AddTzifStub("Europe\\Paris copy");
  tree.AddTzifStub("../elsewhere/Zone");
  std::filesystem::create_directory_symlink(tree.root() / "elsewhere",
                                            tree.paths().zoneinfo_dir / "Elsewhere");
  LinuxRegistry registry = MakeRegistry();

  EXPECT_THAT(EnumerateAll(registry, OpenZones(registry)),
              ElementsAre("America/Argentina/Salta", "Europe/Paris", "UTC"));
}

TEST_F(LinuxRegistryTest, OpenChecksPathsWithoutCaseAndKnowsOnlyTheZoneKeys) {
  tree.WriteTzdataZi({"Europe/Helsinki"});
  LinuxRegistry registry = MakeRegistry();
  win::HKEY key{};
  auto open = [&](const char* path) {
    return registry.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, path, 0, kAllRights, &key);
  };

  EXPECT_EQ(open("software\\microsoft\\WINDOWS NT\\currentversion\\time zones"), 0);
  EXPECT_EQ(open("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\europe/HELSINKI"),
            0);
  EXPECT_EQ(open("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Time Zones"),
            win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(open("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\Europe/Mariehamn"),
            win::ERROR_FILE_NOT_FOUND);  // a link, not a zone
  EXPECT_EQ(open("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\"),
            win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(open("SOFTWARE"), win::ERROR_FILE_NOT_FOUND);

  // A zone opens under the time-zone key's own handle too.
  win::HKEY zones = OpenZones(registry);
  EXPECT_EQ(registry.RegOpenKeyExA(zones, "Europe/Helsinki", 0, kAllRights, &key), 0);
  EXPECT_EQ(registry.RegOpenKeyExA(win::HKEY{0x999}, "Europe/Helsinki", 0, kAllRights, &key),
            win::ERROR_INVALID_HANDLE);
}

TEST_F(LinuxRegistryTest, WriteRightsNeedTheRightToChangeTheSetting) {
  tree.WriteTzdataZi({"UTC"});
  LinuxRegistry denied = MakeRegistry(false);
  win::HKEY key{};
  for (win::REGSAM write_right : {0x02u, 0x04u, 0x20u, 0x3Fu}) {
    EXPECT_EQ(denied.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kZonesPath, 0, write_right, &key),
              win::ERROR_ACCESS_DENIED)
        << write_right;
  }
  EXPECT_EQ(denied.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kZonesPath, 0, kReadRights, &key), 0);
  // A missing key is reported as missing whatever the rights.
  EXPECT_EQ(denied.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "SOFTWARE", 0, kAllRights, &key),
            win::ERROR_FILE_NOT_FOUND);
}

TEST_F(LinuxRegistryTest, EnumerationAnswersAsWindowsDoes) {
  const std::string longest(30, 'L');
  tree.WriteTzdataZi({"A/" + longest.substr(2), "Z"});  // 30 characters, then 1
  LinuxRegistry registry = MakeRegistry();
  win::HKEY key = OpenZones(registry);

  std::array<char, 32> buffer;
  buffer.fill('x');
  EXPECT_EQ(registry.RegEnumKeyA(key, 0, buffer.data(), 30), win::ERROR_MORE_DATA);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == 'x'; }))
      << "buffer touched although the name did not fit";
  EXPECT_EQ(registry.RegEnumKeyA(key, 0, buffer.data(), 31), 0);  // name and NUL just fit
  EXPECT_EQ(std::string(buffer.data()), "A/" + longest.substr(2));
  EXPECT_EQ(registry.RegEnumKeyA(key, 1, buffer.data(), 2), 0);
  EXPECT_STREQ(buffer.data(), "Z");
  EXPECT_EQ(registry.RegEnumKeyA(key, 2, buffer.data(), 32), win::ERROR_NO_MORE_ITEMS);

  win::HKEY zone{};
  ASSERT_EQ(registry.RegOpenKeyExA(key, "Z", 0, kAllRights, &zone), 0);
  EXPECT_EQ(registry.RegEnumKeyA(zone, 0, buffer.data(), 32), win::ERROR_NO_MORE_ITEMS);

  EXPECT_EQ(registry.RegCloseKey(key), 0);
  EXPECT_EQ(registry.RegEnumKeyA(key, 0, buffer.data(), 32), win::ERROR_INVALID_HANDLE);
  EXPECT_EQ(registry.RegCloseKey(key), win::ERROR_INVALID_HANDLE);
  EXPECT_EQ(registry.RegEnumKeyA(win::HKEY{0x999}, 0, buffer.data(), 32),
            win::ERROR_INVALID_HANDLE);
}

TEST_F(LinuxRegistryTest, ZoneKeysHoldTheZonesRecordForTheClocksYear) {
  tree.WriteTzdataZi({"Europe/Helsinki", "Asia/Tokyo", "Broken/Zone", "Gone/Zone"});
  tree.CopyHostZone("Europe/Helsinki");
  tree.CopyHostZone("Asia/Tokyo");
  tree.AddFile("Broken/Zone", std::string("TZif2") + std::string(60, '\xff'));
  LinuxRegistry registry(
      tree.paths(), [] { return true; }, [] { return std::int64_t{1784073600}; });
  win::HKEY zones = OpenZones(registry);
  auto open = [&](const char* zone) {
    win::HKEY key{};
    EXPECT_EQ(registry.RegOpenKeyExA(zones, zone, 0, kAllRights, &key), 0) << zone;
    return key;
  };

  win::HKEY helsinki = open("Europe/Helsinki");
  win::REG_TZI_FORMAT tzi{};
  win::DWORD type = 0;
  win::DWORD size = sizeof tzi;
  ASSERT_EQ(registry.RegQueryValueExA(helsinki, "TZI", nullptr, &type,
                                      reinterpret_cast<win::BYTE*>(&tzi), &size),
            0);
  EXPECT_EQ(type, win::REG_BINARY);
  EXPECT_EQ(size, 44u);
  EXPECT_EQ(tzi.Bias, -120);
  EXPECT_EQ(tzi.StandardBias, 0);
  EXPECT_EQ(tzi.DaylightBias, -60);
  // Last Sunday of March 03:00 EET, last Sunday of October 04:00 EEST.
  EXPECT_EQ(
      (std::array{tzi.DaylightDate.wYear, tzi.DaylightDate.wMonth, tzi.DaylightDate.wDayOfWeek,
                  tzi.DaylightDate.wDay, tzi.DaylightDate.wHour}),
      (std::array<win::WORD, 5>{0, 3, 0, 5, 3}));
  EXPECT_EQ((std::array{tzi.StandardDate.wMonth, tzi.StandardDate.wDay, tzi.StandardDate.wHour}),
            (std::array<win::WORD, 3>{10, 5, 4}));

  std::array<char, 8> name;
  name.fill('x');
  size = 4;  // "EEST" needs 5 with its NUL
  EXPECT_EQ(registry.RegQueryValueExA(helsinki, "Dlt", nullptr, &type,
                                      reinterpret_cast<win::BYTE*>(name.data()), &size),
            win::ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(std::string(name.data(), 8), "xxxxxxxx");
  ASSERT_EQ(registry.RegQueryValueExA(helsinki, "Dlt", nullptr, &type,
                                      reinterpret_cast<win::BYTE*>(name.data()), &size),
            0);
  EXPECT_STREQ(name.data(), "EEST");
  EXPECT_EQ(type, win::REG_SZ);
  // The preview widens names in the locale's character set; an exact fit fits.
  std::array<win::WCHAR, 5> wide{};
  EXPECT_EQ(platform::linux_tz::AnsiToWide(name.data(), 5, wide.data(), 5), 5);
  EXPECT_EQ(std::u16string(wide.data()), u"EEST");
  EXPECT_EQ(platform::linux_tz::AnsiToWide(name.data(), 5, wide.data(), 4), 0);
  size = name.size();
  ASSERT_EQ(registry.RegQueryValueExA(helsinki, "Std", nullptr, nullptr,
                                      reinterpret_cast<win::BYTE*>(name.data()), &size),
            0);
  EXPECT_EQ(size, 4u);
  EXPECT_STREQ(name.data(), "EET");
  EXPECT_EQ(registry.RegQueryValueExA(helsinki, "Display", nullptr, nullptr, nullptr, &size),
            win::ERROR_FILE_NOT_FOUND);

  // No daylight time: the daylight date is zero and the names are the same.
  win::HKEY tokyo = open("Asia/Tokyo");
  size = sizeof tzi;
  ASSERT_EQ(registry.RegQueryValueExA(tokyo, "TZI", nullptr, nullptr,
                                      reinterpret_cast<win::BYTE*>(&tzi), &size),
            0);
  EXPECT_EQ(tzi.Bias, -540);
  win::SYSTEMTIME zero{};
  EXPECT_EQ(std::memcmp(&tzi.DaylightDate, &zero, sizeof zero), 0);
  size = name.size();
  ASSERT_EQ(registry.RegQueryValueExA(tokyo, "Dlt", nullptr, nullptr,
                                      reinterpret_cast<win::BYTE*>(name.data()), &size),
            0);
  EXPECT_STREQ(name.data(), "JST");

  // A zone whose file is hostile or gone has no values, and nothing else breaks.
  for (const char* zone : {"Broken/Zone", "Gone/Zone"}) {
    size = sizeof tzi;
    EXPECT_EQ(registry.RegQueryValueExA(open(zone), "TZI", nullptr, nullptr,
                                        reinterpret_cast<win::BYTE*>(&tzi), &size),
              win::ERROR_FILE_NOT_FOUND)
        << zone;
  }
  EXPECT_EQ(registry.RegQueryValueExA(zones, "TZI", nullptr, nullptr,
                                      reinterpret_cast<win::BYTE*>(&tzi), &size),
            win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry.RegQueryValueExA(win::HKEY{0x999}, "TZI", nullptr, nullptr, nullptr, &size),
            win::ERROR_INVALID_HANDLE);
}

TEST(HostTzDatabase, EveryListedZoneHasItsTzifFile) {
  platform::SystemPaths host;
  if (!std::filesystem::exists(host.zoneinfo_dir / "tzdata.zi")) GTEST_SKIP() << "no tzdata.zi";
  std::vector<std::string> names = talvane::tz::ListZoneNames(host.zoneinfo_dir);
  EXPECT_GT(names.size(), 300u);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), talvane::tz::RegistryOrderLess));
  for (const std::string& name : names) {
    std::ifstream file(host.zoneinfo_dir / name, std::ios::binary);
    std::array<char, 4> magic{};
    file.read(magic.data(), magic.size());
    EXPECT_EQ(std::string(magic.data(), 4), "TZif") << name;
  }
  // Without tzdata.zi the files give the same list: posix/, right/, the links
  // and the tables beside the zones stay out.
  fakes::ZoneinfoTree copy;
  std::filesystem::copy(
      host.zoneinfo_dir, copy.paths().zoneinfo_dir,
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
  std::filesystem::remove(copy.paths().zoneinfo_dir / "tzdata.zi");
  EXPECT_EQ(talvane::tz::ListZoneNames(copy.paths().zoneinfo_dir), names);
}

}  // namespace
