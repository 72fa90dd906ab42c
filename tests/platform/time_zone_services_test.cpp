// The system time-zone services against a temporary root, with glibc as the
// independent judge of what a written setting means.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "keeper/system_setting.h"
#include "platform/linux/linux_registry.h"
#include "platform/linux/linux_system_services.h"
#include "tests/fakes/keeper_in_child.h"
#include "tests/fakes/mock_platform.h"
#include "tests/fakes/zoneinfo_tree.h"
#include "timezones/preview.h"

namespace {

namespace fs = std::filesystem;
using fakes::FileState;
using platform::linux_tz::LinuxSystemServices;

constexpr std::int64_t k2026Jan15 = 1768435200;  // 2026-01-15 00:00 UTC
constexpr std::int64_t k2026Jul15 = 1784073600;  // 2026-07-15 00:00 UTC
constexpr std::int64_t k2027Feb20 = 1803081600;  // in Morocco's Ramadan break of 2027

std::u16string NameOf(const win::WCHAR (&name)[32]) {
  return std::u16string(name, std::find(name, name + 32, u'\0'));
}

// What glibc makes of the zone file at `path` at instant `t`: "EEST+10800".
std::string GlibcLocalTime(const fs::path& path, std::int64_t t) {
  const char* old = std::getenv("TZ");
  std::string saved = old != nullptr ? old : "";
  setenv("TZ", std::string(":").append(path.string()).c_str(), 1);
  tzset();
  std::time_t when = static_cast<std::time_t>(t);
  std::tm local{};
  localtime_r(&when, &local);
  std::string result = std::string(local.tm_zone) + (local.tm_gmtoff >= 0 ? "+" : "") +
                       std::to_string(local.tm_gmtoff);
  if (old != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  return result;
}

class TimeZoneServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* zone : {"Europe/Helsinki", "Asia/Tokyo", "America/Nuuk", "Europe/Dublin"}) {
      tree.CopyHostZone(zone);
    }
  }
  fakes::ServicesOverKeeper Services(std::int64_t now = k2026Jul15) {
    return {tree.paths(), [now] { return now; }};
  }
  void LinkSettingTo(const std::string& zone) {
    fs::create_symlink(tree.paths().zoneinfo_dir / zone, setting);
  }

  fakes::ZoneinfoTree tree;
  const fs::path& setting = tree.paths().localtime;
};

TEST_F(TimeZoneServicesTest, ReadsTheSettingsRuleForTheClocksYear) {
  LinkSettingTo("Europe/Helsinki");
  win::TIME_ZONE_INFORMATION tzi{};
  EXPECT_EQ(Services(k2026Jul15).services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_DAYLIGHT);
  EXPECT_EQ(Services(k2026Jan15).services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_STANDARD);
  EXPECT_EQ(tzi.Bias, -120);
  EXPECT_EQ(tzi.DaylightBias, -60);
  EXPECT_EQ(NameOf(tzi.StandardName), u"EET");
  EXPECT_EQ(NameOf(tzi.DaylightName), u"EEST");
  EXPECT_EQ(tzi.DaylightDate.wMonth, 3);
  EXPECT_EQ(tzi.StandardDate.wMonth, 10);

  fs::remove(setting);
  LinkSettingTo("Asia/Tokyo");
  EXPECT_EQ(Services().services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_UNKNOWN);
  EXPECT_EQ(tzi.Bias, -540);
  EXPECT_EQ(NameOf(tzi.StandardName), u"JST");
}

TEST_F(TimeZoneServicesTest, NoSettingIsUtcAndABrokenOneIsInvalid) {
  win::TIME_ZONE_INFORMATION tzi{};
  EXPECT_EQ(Services().services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_UNKNOWN);
  EXPECT_EQ(tzi.Bias, 0);
  EXPECT_EQ(NameOf(tzi.StandardName), u"UTC");

  fs::create_symlink(tree.paths().zoneinfo_dir / "Nowhere/City", setting);
  EXPECT_EQ(Services().services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
  fs::remove(setting);
  std::ofstream(setting) << "TZif2 but cut short";
  EXPECT_EQ(Services().services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
}

// The preview's round trip: read the setting, apply another zone's record,
// apply the saved record again.
TEST_F(TimeZoneServicesTest, ApplyingARecordThenTheSavedOneRestoresTheSettingExactly) {
  std::ofstream(tree.root() / "etc" / "copy", std::ios::binary)
      << std::ifstream(tree.paths().zoneinfo_dir / "Asia/Tokyo", std::ios::binary).rdbuf();
  for (const char* kind : {"symlink", "file", "absent"}) {
    SCOPED_TRACE(kind);
    fs::remove(setting);
    if (std::string_view(kind) == "symlink")
      fs::create_symlink("../zoneinfo/Europe/Dublin", setting);
    if (std::string_view(kind) == "file") fs::copy_file(tree.root() / "etc" / "copy", setting);
    const auto before = FileState(setting);
    ASSERT_NE(before, "unknown");

    auto window = Services();
    LinuxSystemServices& services = window.services;
    win::TIME_ZONE_INFORMATION saved{};
    ASSERT_NE(services.GetTimeZoneInformation(&saved), win::TIME_ZONE_ID_INVALID);

    // Nuuk's footer changes at -1:00; the record says Saturday 23:00.
    fs::path nuuk_link = tree.root() / "nuuk";
    fs::create_symlink(tree.paths().zoneinfo_dir / "America/Nuuk", nuuk_link);
    fakes::ServicesOverKeeper nuuk_reader({.zoneinfo_dir = tree.paths().zoneinfo_dir,
                                           .localtime = nuuk_link,
                                           .timezone = tree.root() / "nuuk-zone"},
                                          [] { return k2026Jul15; });
    win::TIME_ZONE_INFORMATION nuuk{};
    ASSERT_NE(nuuk_reader.services.GetTimeZoneInformation(&nuuk), win::TIME_ZONE_ID_INVALID);
    fs::remove(nuuk_link);

    ASSERT_EQ(services.SetTimeZoneInformation(&nuuk), 1);
    for (std::int64_t t = k2026Jan15; t < k2026Jan15 + 365 * 86400; t += 3600) {
      ASSERT_EQ(GlibcLocalTime(setting, t),
                GlibcLocalTime(tree.paths().zoneinfo_dir / "America/Nuuk", t))
          << "at " << t;
    }
    EXPECT_EQ(fs::status(setting).permissions(), fs::perms(0644));

    ASSERT_EQ(services.SetTimeZoneInformation(&saved), 1);
    EXPECT_EQ(FileState(setting), before);
  }
}

// The whole preview on a temporary tree: the real registry, services and
// preview, and a window whose message looks at the system while it is open.
TEST_F(TimeZoneServicesTest, APreviewPutsTheSystemInTheZoneItselfAndOkPutsBothFilesBack) {
  for (const char* zone : {"Europe/Paris", "Europe/Berlin", "Africa/Casablanca"}) {
    tree.CopyHostZone(zone);
  }
  tree.WriteTzdataZi({"Africa/Casablanca", "America/Nuuk", "Asia/Tokyo", "Europe/Berlin",
                      "Europe/Dublin", "Europe/Helsinki", "Europe/Paris"});
  const fs::path& timezone = tree.paths().timezone;
  const fs::path dublin = tree.paths().zoneinfo_dir / "Europe/Dublin";
  tree.AddFile("posix/Europe/Dublin", "");
  fs::copy_file(dublin, tree.paths().zoneinfo_dir / "posix/Europe/Dublin",
                fs::copy_options::overwrite_existing);
  fs::create_symlink(dublin, tree.root() / "dublin");
  struct Case {
    const char* zone;
    const char* setting;  // how Dublin is set before
    bool timezone_file;
    std::string expected_link;  // relative to the zoneinfo directory unless it starts with '.'
  };
  // Paris and Berlin share this year's record; Tokyo has no daylight time.
  for (const Case& c : {Case{"Europe/Paris", "absolute", true, "Europe/Paris"},
                        Case{"Europe/Berlin", "absolute", false, "Europe/Berlin"},
                        Case{"Asia/Tokyo", "relative", true, "../zoneinfo/Asia/Tokyo"},
                        Case{"Africa/Casablanca", "copy", true, "Africa/Casablanca"},
                        Case{"Europe/Paris", "posix", true, "Europe/Paris"},
                        Case{"Asia/Tokyo", "chain", false, "../zoneinfo/Asia/Tokyo"},
                        Case{"Europe/Paris", "none", false, "Europe/Paris"}}) {
    SCOPED_TRACE(std::string(c.zone) + " over a setting by " + c.setting);
    fs::remove(setting);
    fs::remove(timezone);
    const std::string_view how = c.setting;
    if (how == "absolute") fs::create_symlink(dublin, setting);
    if (how == "relative") fs::create_symlink("../zoneinfo/Europe/Dublin", setting);
    if (how == "copy") fs::copy_file(dublin, setting);
    if (how == "posix")
      fs::create_symlink(tree.paths().zoneinfo_dir / "posix/Europe/Dublin", setting);
    if (how == "chain") fs::create_symlink("../dublin", setting);
    if (c.timezone_file) std::ofstream(timezone) << "Europe/Dublin\n";
    const auto before = FileState(setting);
    const auto timezone_before = FileState(timezone);

    platform::linux_tz::ZoneKeyLog zones;
    const auto clock = [] { return k2026Jul15; };
    platform::linux_tz::LinuxRegistry registry(
        tree.paths(), [] { return true; }, clock, &zones);
    fakes::ServicesOverKeeper system(tree.paths(), clock, &zones);
    ::testing::NiceMock<fakes::MockFormWindow> window;
    ON_CALL(window, List1_Text()).WillByDefault(::testing::Return(c.zone));
    const fs::path zone_file = tree.paths().zoneinfo_dir / c.zone;
    EXPECT_CALL(window, MsgBox(std::string_view(timezones::kChangedMessage))).WillOnce([&] {
      const fs::path link = c.expected_link.starts_with('.')
                                ? fs::path(c.expected_link)
                                : tree.paths().zoneinfo_dir / c.expected_link;
      EXPECT_EQ(fs::read_symlink(setting), link);
      if (c.timezone_file) {
        std::stringstream named;
        named << std::ifstream(timezone).rdbuf();
        EXPECT_EQ(named.str(), std::string(c.zone) + "\n");
      } else {
        EXPECT_EQ(FileState(timezone), "absent");
      }
      // The zone's own file: right in years no yearly rule describes too.
      for (std::int64_t t : {k2026Jan15, k2026Jul15, k2027Feb20}) {
        EXPECT_EQ(GlibcLocalTime(setting, t), GlibcLocalTime(zone_file, t)) << t;
      }
    });
    timezones::PreviewSelectedTimeZone(
        registry, system.services, window,
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones");
    EXPECT_EQ(FileState(setting), before);
    EXPECT_EQ(FileState(timezone), timezone_before);
    EXPECT_EQ(
        std::distance(fs::directory_iterator(setting.parent_path()), fs::directory_iterator()),
        (how != "none") + c.timezone_file);
  }
}

// The conversions need no keeper.
platform::linux_tz::KeeperConnection no_keeper([] { return platform::linux_tz::LaunchedKeeper{}; },
                                               std::chrono::seconds(30));

TEST(MultiByteToWideChar, ConvertsFromTheLocalesCharacterSet) {
  LinuxSystemServices services(no_keeper);
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) GTEST_SKIP() << "no C.UTF-8 locale";
  win::WCHAR out[32] = {};
  EXPECT_EQ(services.MultiByteToWideChar(0, 1, "Z\xC3\xBCrich", 8, out, 32), 7);  // with the NUL
  EXPECT_EQ(std::u16string(out), u"Z\u00FCrich");
  EXPECT_EQ(services.MultiByteToWideChar(0, 1,
                                         "a\xFF"
                                         "b",
                                         3, out, 32),
            3);
  EXPECT_EQ(std::u16string(out, 3), u"a\uFFFDb");
  EXPECT_EQ(services.MultiByteToWideChar(0, 1, "EEST", 5, nullptr, 0), 5) << "size asked";
  EXPECT_EQ(services.MultiByteToWideChar(0, 1, "EEST", 5, out, 4), 0) << "does not fit";
  std::setlocale(LC_CTYPE, previous.c_str());
}

TEST(RtlMoveMemory, CopiesOverlappingRanges) {
  LinuxSystemServices services(no_keeper);
  char text[] = "abcdef";
  services.RtlMoveMemory(text + 1, text, 4);
  EXPECT_STREQ(text, "aabcdf");
}

}  // namespace
