#include "keeper/system_setting.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "keeper/preview_journal.h"
#include "tests/fakes/zoneinfo_tree.h"

namespace {

namespace fs = std::filesystem;
using keeper::PreviewJournal;
using keeper::ReadSetting;
using keeper::Replacement;
using keeper::SettingSnapshot;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

Replacement FileOf(std::string_view text, mode_t mode = 0644) {
  return {.link_target = std::nullopt, .bytes = Bytes(text), .mode = mode};
}

bool WriteSetting(const fs::path& setting, std::string_view text) {
  std::optional<fs::path> staged = keeper::Stage(setting, FileOf(text));
  return staged && keeper::Commit(*staged, setting);
}

// Files in the setting's directory other than the setting itself.
std::vector<std::string> Leftovers(const fs::path& setting) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(setting.parent_path())) {
    if (entry.path() != setting) names.push_back(entry.path().filename().string());
  }
  return names;
}

class SystemSettingTest : public ::testing::Test {
 protected:
  fakes::ZoneinfoTree tree;
  const fs::path& setting = tree.paths().localtime;
};

TEST_F(SystemSettingTest, ReadsTheThreeKindsOfSetting) {
  EXPECT_EQ(ReadSetting(setting)->kind, SettingSnapshot::Kind::kAbsent);

  tree.AddFile("Europe/Oslo", "TZif-oslo");
  fs::create_symlink("../zoneinfo/Europe/Oslo", setting);
  std::optional<SettingSnapshot> link = ReadSetting(setting);
  ASSERT_TRUE(link);
  EXPECT_EQ(link->kind, SettingSnapshot::Kind::kSymlink);
  EXPECT_EQ(link->link_target, "../zoneinfo/Europe/Oslo");
  EXPECT_EQ(link->bytes, Bytes("TZif-oslo"));

  fs::remove(setting);
  std::ofstream(setting) << "TZif-copy";
  chmod(setting.c_str(), 0640);
  std::optional<SettingSnapshot> file = ReadSetting(setting);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->kind, SettingSnapshot::Kind::kFile);
  EXPECT_EQ(file->bytes, Bytes("TZif-copy"));
  EXPECT_EQ(file->mode, 0640u);
  EXPECT_EQ(file->owner, geteuid());
}

TEST_F(SystemSettingTest, ASettingThatLeadsNowhereUsableCannotBeRead) {
  fs::create_symlink("/nonexistent/zone", setting);
  EXPECT_FALSE(ReadSetting(setting)) << "dangling link";
  fs::remove(setting);
  fs::create_directory(setting);
  EXPECT_FALSE(ReadSetting(setting)) << "directory";
  fs::remove(setting);
  std::ofstream(setting) << std::string(5u << 20, 'x');
  EXPECT_FALSE(ReadSetting(setting)) << "larger than any zone file";
}

TEST_F(SystemSettingTest, AStagedFileReplacesTheSettingWholeWithTheModeAsked) {
  fs::create_symlink("../zoneinfo/Europe/Oslo", setting);
  ASSERT_TRUE(WriteSetting(setting, "TZif-new"));
  EXPECT_FALSE(fs::is_symlink(setting));
  EXPECT_EQ(ReadSetting(setting)->bytes, Bytes("TZif-new"));
  EXPECT_EQ(fs::status(setting).permissions(), fs::perms(0644));
  EXPECT_TRUE(Leftovers(setting).empty());
}

// The way back is the setting itself, kept by a hard link: its link text or
// bytes, its mode, owner and group come back exactly.
TEST_F(SystemSettingTest, TheWayBackPutsBackTheSameLinkTheSameFileOrNoFile) {
  if (geteuid() != 0) GTEST_SKIP() << "owning a file by another user needs root";
  tree.AddFile("Europe/Oslo", "TZif-oslo");
  for (const char* kind : {"link", "file", "absent"}) {
    SCOPED_TRACE(kind);
    if (kind == std::string_view("link")) fs::create_symlink("../zoneinfo/Europe/Oslo", setting);
    if (kind == std::string_view("file")) {
      std::ofstream(setting) << "TZif-plain";
      chmod(setting.c_str(), 0600);
      ASSERT_EQ(lchown(setting.c_str(), 1234, 5678), 0);
    }
    const std::optional<SettingSnapshot> before = ReadSetting(setting);
    ASSERT_TRUE(before);
    PreviewJournal journal(setting, tree.paths().timezone);
    ASSERT_TRUE(journal.Lock());
    ASSERT_TRUE(journal.Apply(FileOf("TZif-preview"), std::nullopt));
    EXPECT_EQ(ReadSetting(setting)->bytes, Bytes("TZif-preview"));
    ASSERT_TRUE(journal.RollBack());
    journal.Unlock();
    EXPECT_EQ(ReadSetting(setting), before);
    EXPECT_TRUE(Leftovers(setting).empty());
  }
}

TEST_F(SystemSettingTest, AFailedWriteChangesNothingAndLeavesNoTemporaryFile) {
  // The setting's directory is gone: nothing can be written beside it.
  const fs::path orphan = tree.root() / "missing" / "localtime";
  EXPECT_FALSE(WriteSetting(orphan, "TZif"));
  EXPECT_FALSE(fs::exists(orphan.parent_path()));

  // The setting is a directory: no way back can be kept, nor can rename
  // replace it.
  fs::create_directory(setting);
  PreviewJournal journal(setting, tree.paths().timezone);
  ASSERT_TRUE(journal.Lock());
  EXPECT_FALSE(journal.Apply(FileOf("TZif"), std::nullopt));
  EXPECT_FALSE(journal.pending());
  journal.Unlock();
  EXPECT_TRUE(fs::is_directory(setting));
  EXPECT_TRUE(Leftovers(setting).empty());
}

}  // namespace
