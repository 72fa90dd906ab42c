// Two windows at once, failures to start or to restore a preview: the system
// setting always ends as it began. (How the window's and the keeper's own
// endings put it back is tried on the real programs, in trials_e2e.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "keeper/keeper_session.h"
#include "keeper/system_setting.h"
#include "tests/fakes/child_process.h"
#include "tests/fakes/keeper_in_child.h"
#include "tests/fakes/zoneinfo_tree.h"
#include "tz/tzif_reader.h"
#include "tz/zone_year.h"

namespace {

namespace fs = std::filesystem;
using fakes::FileState;
using fakes::ServicesOverKeeper;

constexpr std::int64_t k2026Jul15 = 1784073600;

class PreviewRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.CopyHostZone("Europe/Helsinki");
    tree.CopyHostZone("Asia/Tokyo");
    auto tokyo = talvane::tz::ReadTzifFile(tree.paths().zoneinfo_dir / "Asia/Tokyo");
    zones.Note("Asia/Tokyo", talvane::tz::ZoneRecordForYear(*tokyo, 2026)->record);
  }
  ServicesOverKeeper Window() {
    return {tree.paths(), [] { return k2026Jul15; }, &zones};
  }
  // Makes the setting of the given kind: a link with the zone's name beside
  // it, a copied file, or none.
  void MakeSetting(std::string_view kind) {
    fs::remove(setting);
    fs::remove(tree.paths().timezone);
    if (kind == "link") {
      fs::create_symlink("../zoneinfo/Europe/Helsinki", setting);
      std::ofstream(tree.paths().timezone) << "Europe/Helsinki\n";
    }
    if (kind == "file") fs::copy_file(tree.paths().zoneinfo_dir / "Europe/Helsinki", setting);
  }
  // Reads the setting and applies Tokyo, as a preview does up to its message:
  // the zone itself, or with no setting, a record of no zone. Returns the
  // record read, which OK applies again.
  static win::TIME_ZONE_INFORMATION StartPreview(platform::SystemServices& services,
                                                 bool zone = true) {
    win::TIME_ZONE_INFORMATION saved{};
    win::TIME_ZONE_INFORMATION tokyo = TokyoRecord();
    if (services.GetTimeZoneInformation(&saved) == win::TIME_ZONE_ID_INVALID) _exit(10);
    if (!zone) tokyo.Bias = -545;
    if (services.SetTimeZoneInformation(&tokyo) != 1) _exit(11);
    return saved;
  }
  static win::TIME_ZONE_INFORMATION TokyoRecord() {
    win::TIME_ZONE_INFORMATION tokyo{};
    tokyo.Bias = -540;
    std::memcpy(tokyo.StandardName, u"JST", sizeof u"JST");
    std::memcpy(tokyo.DaylightName, u"JST", sizeof u"JST");
    return tokyo;
  }
  // The setting and the zone's name, exactly.
  std::pair<std::string, std::string> State() {
    return {FileState(setting), FileState(tree.paths().timezone)};
  }
  std::vector<std::string> DirectoryEntries() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(setting.parent_path()))
      names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  fakes::ZoneinfoTree tree;
  const fs::path& setting = tree.paths().localtime;
  platform::linux_tz::ZoneKeyLog zones;
};

TEST_F(PreviewRecoveryTest, WhileOnePreviewIsOpenASecondCannotReadTheOriginalOrRecover) {
  MakeSetting("link");
  const auto before = FileState(setting);
  ServicesOverKeeper first = Window();
  const win::TIME_ZONE_INFORMATION saved = StartPreview(first.services);
  const auto during = FileState(setting);
  ASSERT_NE(during, before);
  {
    ServicesOverKeeper second = Window();
    win::TIME_ZONE_INFORMATION tzi{};
    EXPECT_EQ(second.services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
    keeper::KeeperSession next_start(tree.paths(), [] { return k2026Jul15; });
    EXPECT_TRUE(next_start.RollBack());
    EXPECT_EQ(FileState(setting), during) << "a live preview was taken for a dead one";
  }
  // During its preview only the record read before it is taken, as the way back.
  win::TIME_ZONE_INFORMATION other = saved;
  other.Bias += 60;
  EXPECT_EQ(first.services.SetTimeZoneInformation(&other), 0);
  EXPECT_EQ(FileState(setting), during);
  EXPECT_EQ(first.services.SetTimeZoneInformation(&saved), 1);  // OK in the first
  EXPECT_EQ(FileState(setting), before);
  ServicesOverKeeper third = Window();
  win::TIME_ZONE_INFORMATION tzi{};
  EXPECT_NE(third.services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
}

TEST_F(PreviewRecoveryTest, APreviewThatFailsToStartLetsOthersIn) {
  // An unreadable setting: the first fails to read and must not keep the lock.
  fs::create_symlink("../zoneinfo/Nowhere", setting);
  ServicesOverKeeper first = Window();
  win::TIME_ZONE_INFORMATION tzi{};
  EXPECT_EQ(first.services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
  fs::remove(setting);
  MakeSetting("link");
  ServicesOverKeeper second = Window();
  EXPECT_NE(second.services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
  // A new setting no TZ string can express fails, and lets others in too.
  win::TIME_ZONE_INFORMATION impossible{};
  impossible.Bias = 23 * 60;
  impossible.StandardBias = 23 * 60;
  EXPECT_EQ(second.services.SetTimeZoneInformation(&impossible), 0);
  EXPECT_NE(first.services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
}

// In a private mount namespace, the setting's directory becomes a tiny full
// file system, or a read-only one: applying fails and changes nothing.
TEST_F(PreviewRecoveryTest, AFullOrReadOnlyDirectoryFailsWithoutAChange) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  for (const char* how : {"full", "read-only"}) {
    SCOPED_TRACE(how);
    const int status = fakes::InChild([&] {
      const fs::path etc = setting.parent_path();
      if (unshare(CLONE_NEWNS) != 0 ||
          mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          mount("tmpfs", etc.c_str(), "tmpfs", 0, "size=16k") != 0) {
        _exit(20);
      }
      fs::create_symlink("../zoneinfo/Europe/Helsinki", setting);
      if (std::string_view(how) == "full") {
        std::ofstream filler(etc / "filler");
        for (int i = 0; i < 64 && filler; ++i) filler << std::string(1024, 'x') << std::flush;
      } else if (mount(nullptr, etc.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        _exit(21);
      }
      const std::vector<std::string> entries_before = DirectoryEntries();
      const auto before = FileState(setting);
      ServicesOverKeeper window = Window();
      win::TIME_ZONE_INFORMATION saved{};
      // Where even the lock can't be made, reading the original fails already.
      const bool read = window.services.GetTimeZoneInformation(&saved) != win::TIME_ZONE_ID_INVALID;
      if (read != (std::string_view(how) == "full")) _exit(22);
      const win::TIME_ZONE_INFORMATION tokyo = TokyoRecord();
      if (window.services.SetTimeZoneInformation(&tokyo) != 0) _exit(23);
      if (FileState(setting) != before) _exit(24);
      if (DirectoryEntries() != entries_before) _exit(25);
    });
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
}

// A restore that fails (here /etc gone read-only) keeps the way back, and the
// next try, once it can, puts the setting back.
TEST_F(PreviewRecoveryTest, ARestoreThatFailsKeepsTheWayBackForTheNextTry) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  const int status = fakes::InChild([&] {
    const fs::path etc = setting.parent_path();
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", etc.c_str(), "tmpfs", 0, nullptr) != 0) {
      _exit(20);
    }
    MakeSetting("link");
    const auto before = State();
    ServicesOverKeeper window = Window();
    const win::TIME_ZONE_INFORMATION saved = StartPreview(window.services);
    const auto during = State();
    if (mount(nullptr, etc.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) _exit(22);
    if (window.services.SetTimeZoneInformation(&saved) != 0) _exit(23);
    if (State() != during) _exit(24);
    if (mount(nullptr, etc.c_str(), nullptr, MS_REMOUNT, nullptr) != 0) _exit(25);
    // Its way back is this keeper's to take: nobody else may meanwhile.
    win::TIME_ZONE_INFORMATION tzi{};
    if (Window().services.GetTimeZoneInformation(&tzi) != win::TIME_ZONE_ID_INVALID) _exit(29);
    if (window.services.SetTimeZoneInformation(&saved) != 1) _exit(26);
    if (State() != before) _exit(27);
    for (const std::string& name : DirectoryEntries()) {
      if (name.find(".talvane-") != std::string::npos) _exit(28);
    }
  });
  EXPECT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The lock is a file only root can make or open: an ordinary user holding
// whatever they can (the directory, as an earlier lock was) blocks nothing.
TEST_F(PreviewRecoveryTest, NoOrdinaryUserCanHoldThePreviewLock) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to compare with an ordinary user";
  fs::permissions(tree.root(), fs::perms(0755));
  MakeSetting("link");
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  pid_t user = fork();
  if (user == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    const int dir = open(setting.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (dir < 0 || flock(dir, LOCK_EX | LOCK_NB) != 0) _exit(3);
    const fs::path lock = setting.parent_path() / ".localtime.talvane-lock";
    if (open(lock.c_str(), O_RDONLY | O_CREAT, 0600) >= 0) _exit(4);
    char c = 'r';
    if (write(ready[1], &c, 1) != 1 || read(done[0], &c, 1) != 1) _exit(5);
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ServicesOverKeeper window = Window();
  win::TIME_ZONE_INFORMATION tzi{};
  EXPECT_NE(window.services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
  ASSERT_EQ(write(done[1], "d", 1), 1);
  int status = 0;
  waitpid(user, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
