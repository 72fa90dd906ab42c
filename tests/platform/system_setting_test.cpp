#include "platform/linux/system_setting.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/fakes/zoneinfo_tree.h"

namespace {

namespace fs = std::filesystem;
using platform::linux_tz::ReadSetting;
using platform::linux_tz::RestoreSetting;
using platform::linux_tz::SettingSnapshot;
using platform::linux_tz::WriteSetting;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

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

TEST_F(SystemSettingTest, WritingReplacesTheSettingWholeWithAWorldReadableFile) {
  fs::create_symlink("../zoneinfo/Europe/Oslo", setting);
  ASSERT_TRUE(WriteSetting(setting, Bytes("TZif-new")));
  EXPECT_FALSE(fs::is_symlink(setting));
  EXPECT_EQ(ReadSetting(setting)->bytes, Bytes("TZif-new"));
  EXPECT_EQ(fs::status(setting).permissions(), fs::perms(0644));
  EXPECT_TRUE(Leftovers(setting).empty());
}

TEST_F(SystemSettingTest, RestoringPutsBackTheSameLinkTextTheSameBytesOrNoFile) {
  tree.AddFile("Europe/Oslo", "TZif-oslo");
  fs::create_symlink("../zoneinfo/Europe/Oslo", setting);
  std::ofstream(setting.parent_path() / "plain") << "TZif-plain";
  chmod((setting.parent_path() / "plain").c_str(), 0600);
  const fs::path plain = setting.parent_path() / "plain";
  for (const fs::path& source : {setting, plain, setting.parent_path() / "absent"}) {
    SCOPED_TRACE(source.filename().string());
    std::optional<SettingSnapshot> before = ReadSetting(source);
    ASSERT_TRUE(before);
    ASSERT_TRUE(WriteSetting(setting, Bytes("TZif-preview")));
    ASSERT_TRUE(RestoreSetting(setting, *before));
    EXPECT_EQ(ReadSetting(setting), before);
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(setting)));
  EXPECT_EQ(Leftovers(setting), std::vector<std::string>{"plain"});
}

TEST_F(SystemSettingTest, AFailedWriteChangesNothingAndLeavesNoTemporaryFile) {
  // The setting's directory is gone: nothing can be written beside it.
  const fs::path orphan = tree.root() / "missing" / "localtime";
  EXPECT_FALSE(WriteSetting(orphan, Bytes("TZif")));
  EXPECT_FALSE(fs::exists(orphan.parent_path()));

  // The setting is a directory: rename can't replace it.
  fs::create_directory(setting);
  EXPECT_FALSE(WriteSetting(setting, Bytes("TZif")));
  EXPECT_TRUE(fs::is_directory(setting));
  EXPECT_TRUE(Leftovers(setting).empty());
}

}  // namespace
