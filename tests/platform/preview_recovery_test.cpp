// However a preview ends, the system setting ends as it began: through the
// preview's own restore, a signal, exit(), a crash, or, after SIGKILL, the
// next start.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/linux/exit_restore.h"
#include "platform/linux/linux_system_services.h"
#include "platform/linux/system_setting.h"
#include "platform/linux/tz/tzif_reader.h"
#include "platform/linux/tz/zone_year.h"
#include "tests/fakes/child_process.h"
#include "tests/fakes/zoneinfo_tree.h"

namespace {

namespace fs = std::filesystem;
using platform::linux_tz::LinuxSystemServices;
using platform::linux_tz::ReadSetting;
using platform::linux_tz::SettingSnapshot;

constexpr std::int64_t k2026Jul15 = 1784073600;

class PreviewRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "changing the setting needs root";
    tree.CopyHostZone("Europe/Helsinki");
    tree.CopyHostZone("Asia/Tokyo");
    auto tokyo = talvane::tz::ReadTzifFile(tree.paths().zoneinfo_dir / "Asia/Tokyo");
    zones.Note("Asia/Tokyo", talvane::tz::ZoneRecordForYear(*tokyo, 2026)->record);
  }
  LinuxSystemServices Services() {
    return LinuxSystemServices(
        tree.paths(), [] { return k2026Jul15; }, &zones);
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
  // the zone itself, or with no setting, a record of no zone.
  static void StartPreview(LinuxSystemServices& services, bool zone = true) {
    win::TIME_ZONE_INFORMATION saved{}, tokyo{};
    if (services.GetTimeZoneInformation(&saved) == win::TIME_ZONE_ID_INVALID) _exit(10);
    tokyo.Bias = -540;
    std::memcpy(tokyo.StandardName, u"JST", sizeof u"JST");
    std::memcpy(tokyo.DaylightName, u"JST", sizeof u"JST");
    if (!zone) tokyo.Bias = -545;
    if (services.SetTimeZoneInformation(&tokyo) != 1) _exit(11);
  }
  // The setting and the zone's name, exactly.
  std::pair<std::optional<SettingSnapshot>, std::optional<SettingSnapshot>> State() {
    return {ReadSetting(setting), ReadSetting(tree.paths().timezone)};
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

// Deep enough to overflow any stack.
int Overflow(int depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  return depth > 1 << 30 ? frame[0] : Overflow(depth + 1) + frame[0];
}

TEST_F(PreviewRecoveryTest, EveryWayOutOfAPreviewPutsTheSettingBack) {
  struct Ending {
    std::string name;
    std::function<void()> end;
    int expected_signal;  // 0: exits normally
  };
  std::vector<Ending> endings = {
      {"abort()", [] { std::abort(); }, SIGABRT},
      {"stack overflow", [] { Overflow(0); }, SIGSEGV},
      {"exit()", [] { std::exit(1); }, 0},
  };
  for (int signal_number : platform::linux_tz::RestoringSignals()) {
    endings.push_back({sigabbrev_np(signal_number) != nullptr ? sigabbrev_np(signal_number)
                                                              : std::to_string(signal_number),
                       [signal_number] { raise(signal_number); }, signal_number});
  }
  for (const char* kind : {"link", "file", "none"}) {
    for (const Ending& ending : endings) {
      SCOPED_TRACE(std::string(kind) + " ended by " + ending.name);
      MakeSetting(kind);
      const auto before = State();
      const auto entries_before = DirectoryEntries();
      const int status = fakes::InChild([&] {
        platform::linux_tz::InstallRestoreOnExit();
        LinuxSystemServices services = Services();
        StartPreview(services, kind != std::string_view("none"));
        if (State() == before) _exit(12);  // the preview changed nothing
        ending.end();
      });
      if (ending.expected_signal != 0) {
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), ending.expected_signal);
      } else {
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 1);
      }
      EXPECT_EQ(State(), before);
      EXPECT_EQ(DirectoryEntries(), entries_before);
    }
  }
}

// Every signal whose default action ends the process is in the table, found
// by letting each end a child that keeps the default.
TEST(RestoringSignalsTest, HoldsEverySignalThatEndsAProcessByDefault) {
  std::vector<int> deadly;
  for (int s = 1; s <= SIGRTMAX; ++s) {
    if (s == SIGKILL || s == SIGSTOP || (s > SIGSYS && s < SIGRTMIN)) continue;
    pid_t child = fork();
    if (child == 0) {
      signal(s, SIG_DFL);
      raise(s);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, WUNTRACED);
    if (WIFSTOPPED(status)) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
    } else if (WIFSIGNALED(status)) {
      deadly.push_back(s);
    }
  }
  const auto table = platform::linux_tz::RestoringSignals();
  EXPECT_EQ(std::set<int>(table.begin(), table.end()), std::set<int>(deadly.begin(), deadly.end()));
}

// The next start puts back only what the killed preview wrote: a setting
// someone has changed since is theirs, and stays.
TEST_F(PreviewRecoveryTest, AfterSigkillTheNextStartPutsBackOnlyWhatThePreviewWrote) {
  for (const char* kind : {"link", "file", "none"}) {
    for (bool changed_since : {false, true}) {
      SCOPED_TRACE(std::string(kind) + (changed_since ? ", changed since" : ""));
      MakeSetting(kind);
      const auto before = State();
      const int status = fakes::InChild([&] {
        platform::linux_tz::InstallRestoreOnExit();
        LinuxSystemServices services = Services();
        StartPreview(services, kind != std::string_view("none"));
        // A writer killed halfway leaves its temporary file behind too.
        std::ofstream(setting.parent_path() / ".localtime.talvane-Ab12Cd") << "TZif half";
        raise(SIGKILL);
      });
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
      ASSERT_NE(State(), before) << "the preview should still be in place";
      if (changed_since) {  // as `ln -sfn` does it
        fs::create_symlink(tree.paths().zoneinfo_dir / "Europe/Helsinki", tree.root() / "new");
        fs::rename(tree.root() / "new", setting);
        if (kind == std::string_view("link")) {
          std::ofstream(tree.root() / "name") << "Europe/Helsinki\n";
          fs::rename(tree.root() / "name", tree.paths().timezone);
        }
      }
      const auto expected = changed_since ? State() : before;

      LinuxSystemServices next_start = Services();
      next_start.RecoverUnfinishedPreview();
      EXPECT_EQ(State(), expected);
      for (const std::string& name : DirectoryEntries()) {
        EXPECT_EQ(name.find(".talvane-"), std::string::npos) << name;
      }
    }
  }
}

TEST_F(PreviewRecoveryTest, WhileOnePreviewIsOpenASecondCannotReadTheOriginalOrRecover) {
  MakeSetting("link");
  const auto before = ReadSetting(setting);
  int to_child[2], to_parent[2];
  ASSERT_EQ(pipe(to_child), 0);
  ASSERT_EQ(pipe(to_parent), 0);
  pid_t first = fork();
  if (first == 0) {
    LinuxSystemServices services = Services();
    win::TIME_ZONE_INFORMATION saved{}, tokyo{};
    services.GetTimeZoneInformation(&saved);
    tokyo.Bias = -540;
    services.SetTimeZoneInformation(&tokyo);
    char c = 'o';
    if (write(to_parent[1], &c, 1) != 1 || read(to_child[0], &c, 1) != 1) _exit(3);  // message open
    _exit(services.SetTimeZoneInformation(&saved) == 1 ? 0 : 4);
  }
  char c;
  ASSERT_EQ(read(to_parent[0], &c, 1), 1);
  const auto during = ReadSetting(setting);
  ASSERT_NE(during, before);

  LinuxSystemServices second = Services();
  win::TIME_ZONE_INFORMATION tzi{};
  EXPECT_EQ(second.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
  second.RecoverUnfinishedPreview();
  EXPECT_EQ(ReadSetting(setting), during) << "a live preview was taken for a dead one";

  ASSERT_EQ(write(to_child[1], "k", 1), 1);  // OK in the first
  int status = 0;
  waitpid(first, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadSetting(setting), before);
  EXPECT_NE(second.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
}

TEST_F(PreviewRecoveryTest, APreviewThatFailsToStartLetsOthersIn) {
  // An unreadable setting: the first fails to read and must not keep the lock.
  fs::create_symlink("../zoneinfo/Nowhere", setting);
  LinuxSystemServices first = Services();
  win::TIME_ZONE_INFORMATION tzi{};
  EXPECT_EQ(first.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
  fs::remove(setting);
  MakeSetting("link");
  LinuxSystemServices second = Services();
  EXPECT_NE(second.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
  // A new setting no TZ string can express fails, and lets others in too.
  win::TIME_ZONE_INFORMATION impossible{};
  impossible.Bias = 100 * 60;
  EXPECT_EQ(second.SetTimeZoneInformation(&impossible), 0);
  EXPECT_NE(first.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
}

// In a private mount namespace, the setting's directory becomes a tiny full
// file system, or a read-only one: applying fails and changes nothing.
TEST_F(PreviewRecoveryTest, AFullOrReadOnlyDirectoryFailsWithoutAChange) {
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
      std::vector<std::string> entries_before;
      for (const auto& e : fs::directory_iterator(etc))
        entries_before.push_back(e.path().filename());
      const auto before = ReadSetting(setting);
      LinuxSystemServices services = Services();
      win::TIME_ZONE_INFORMATION saved{}, tokyo{};
      // Where even the lock can't be made, reading the original fails already.
      const bool read = services.GetTimeZoneInformation(&saved) != win::TIME_ZONE_ID_INVALID;
      if (read != (std::string_view(how) == "full")) _exit(22);
      tokyo.Bias = -540;
      std::memcpy(tokyo.StandardName, u"JST", sizeof u"JST");
      if (services.SetTimeZoneInformation(&tokyo) != 0) _exit(23);
      std::vector<std::string> entries_after;
      for (const auto& e : fs::directory_iterator(etc))
        entries_after.push_back(e.path().filename());
      if (ReadSetting(setting) != before) _exit(24);
      if (entries_after != entries_before) _exit(25);
    });
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
}

// A restore that fails (here /etc gone read-only) keeps the way back, and the
// next try, once it can, puts the setting back.
TEST_F(PreviewRecoveryTest, ARestoreThatFailsKeepsTheWayBackForTheNextTry) {
  const int status = fakes::InChild([&] {
    const fs::path etc = setting.parent_path();
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", etc.c_str(), "tmpfs", 0, nullptr) != 0) {
      _exit(20);
    }
    MakeSetting("link");
    const auto before = State();
    LinuxSystemServices services = Services();
    win::TIME_ZONE_INFORMATION saved{};
    if (services.GetTimeZoneInformation(&saved) == win::TIME_ZONE_ID_INVALID) _exit(21);
    StartPreview(services);
    const auto during = State();
    if (mount(nullptr, etc.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) _exit(22);
    if (services.SetTimeZoneInformation(&saved) != 0) _exit(23);
    if (State() != during) _exit(24);
    if (mount(nullptr, etc.c_str(), nullptr, MS_REMOUNT, nullptr) != 0) _exit(25);
    if (services.SetTimeZoneInformation(&saved) != 1) _exit(26);
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
    LinuxSystemServices services = Services();
    win::TIME_ZONE_INFORMATION tzi{};
    if (services.GetTimeZoneInformation(&tzi) != win::TIME_ZONE_ID_INVALID) _exit(4);
    char c = 'r';
    if (write(ready[1], &c, 1) != 1 || read(done[0], &c, 1) != 1) _exit(5);
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  LinuxSystemServices services = Services();
  win::TIME_ZONE_INFORMATION tzi{};
  EXPECT_NE(services.GetTimeZoneInformation(&tzi), win::TIME_ZONE_ID_INVALID);
  ASSERT_EQ(write(done[1], "d", 1), 1);
  int status = 0;
  waitpid(user, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
