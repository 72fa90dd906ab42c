// However a preview ends, the system setting ends as it began: through the
// preview's own restore, a signal, exit(), a crash, or, after SIGKILL, the
// next start.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/linux/linux_system_services.h"
#include "platform/linux/preview_journal.h"
#include "platform/linux/system_setting.h"
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
  }
  LinuxSystemServices Services() {
    return LinuxSystemServices(tree.paths(), [] { return k2026Jul15; });
  }
  // Makes the setting of the given kind: a link, a copied file, or none.
  void MakeSetting(std::string_view kind) {
    fs::remove(setting);
    if (kind == "link") fs::create_symlink("../zoneinfo/Europe/Helsinki", setting);
    if (kind == "file") fs::copy_file(tree.paths().zoneinfo_dir / "Europe/Helsinki", setting);
  }
  // Reads the setting and applies Tokyo, as a preview does up to its message.
  static void StartPreview(LinuxSystemServices& services) {
    win::TIME_ZONE_INFORMATION saved{}, tokyo{};
    if (services.GetTimeZoneInformation(&saved) == win::TIME_ZONE_ID_INVALID) _exit(10);
    tokyo.Bias = -540;
    std::memcpy(tokyo.StandardName, u"JST", sizeof u"JST");
    if (services.SetTimeZoneInformation(&tokyo) != 1) _exit(11);
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
};

TEST_F(PreviewRecoveryTest, EveryWayOutOfAPreviewPutsTheSettingBack) {
  struct Ending {
    const char* name;
    std::function<void()> end;
    int expected_signal;  // 0: exits normally
  };
  const Ending endings[] = {
      {"SIGTERM", [] { raise(SIGTERM); }, SIGTERM}, {"SIGINT", [] { raise(SIGINT); }, SIGINT},
      {"SIGHUP", [] { raise(SIGHUP); }, SIGHUP},    {"SIGQUIT", [] { raise(SIGQUIT); }, SIGQUIT},
      {"SIGSEGV", [] { raise(SIGSEGV); }, SIGSEGV}, {"SIGABRT", [] { std::abort(); }, SIGABRT},
      {"SIGBUS", [] { raise(SIGBUS); }, SIGBUS},    {"SIGFPE", [] { raise(SIGFPE); }, SIGFPE},
      {"exit()", [] { std::exit(1); }, 0},
  };
  for (const char* kind : {"link", "file", "none"}) {
    for (const Ending& ending : endings) {
      SCOPED_TRACE(std::string(kind) + " ended by " + ending.name);
      MakeSetting(kind);
      const auto before = ReadSetting(setting);
      const auto entries_before = DirectoryEntries();
      const int status = fakes::InChild([&] {
        platform::linux_tz::InstallRestoreOnExit();
        LinuxSystemServices services = Services();
        StartPreview(services);
        if (ReadSetting(setting) == before) _exit(12);  // the preview changed nothing
        ending.end();
      });
      if (ending.expected_signal != 0) {
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), ending.expected_signal);
      } else {
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 1);
      }
      EXPECT_EQ(ReadSetting(setting), before);
      EXPECT_EQ(DirectoryEntries(), entries_before);
    }
  }
}

TEST_F(PreviewRecoveryTest, AfterSigkillTheNextStartPutsTheSettingBack) {
  for (const char* kind : {"link", "file", "none"}) {
    SCOPED_TRACE(kind);
    MakeSetting(kind);
    const auto before = ReadSetting(setting);
    const auto entries_before = DirectoryEntries();
    const int status = fakes::InChild([&] {
      platform::linux_tz::InstallRestoreOnExit();
      LinuxSystemServices services = Services();
      StartPreview(services);
      // A writer killed halfway leaves its temporary file behind too.
      std::ofstream(setting.parent_path() / ".localtime.talvane-Ab12Cd") << "TZif half";
      raise(SIGKILL);
    });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_NE(ReadSetting(setting), before) << "the preview should still be in place";

    LinuxSystemServices next_start = Services();
    next_start.RecoverUnfinishedPreview();
    EXPECT_EQ(ReadSetting(setting), before);
    EXPECT_EQ(DirectoryEntries(), entries_before);
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
      if (services.GetTimeZoneInformation(&saved) == win::TIME_ZONE_ID_INVALID) _exit(22);
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

}  // namespace
