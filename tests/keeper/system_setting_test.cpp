#include "keeper/system_setting.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "keeper/preview_journal.h"
#include "tests/fakes/zoneinfo_tree.h"

namespace {

namespace fs = std::filesystem;
using fakes::FileState;
using keeper::PreviewJournal;
using keeper::Replacement;
using policy::LockResult;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

Replacement FileOf(std::string_view text) {
  return {.kind = Replacement::Kind::kFile, .link_target = {}, .bytes = Bytes(text), .mode = 0644};
}

Replacement LinkTo(const fs::path& target) {
  return {.kind = Replacement::Kind::kLink, .link_target = target, .bytes = {}, .mode = 0};
}

std::string Text(const fs::path& file) {
  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  return text.str();
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
  const fs::path& timezone = tree.paths().timezone;
};

TEST_F(SystemSettingTest, AStagedFileReplacesTheSettingWholeWithTheModeAsked) {
  fs::create_symlink("../zoneinfo/Europe/Oslo", setting);
  ASSERT_TRUE(WriteSetting(setting, "TZif-new"));
  EXPECT_FALSE(fs::is_symlink(setting));
  EXPECT_EQ(Text(setting), "TZif-new");
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
    const std::string before = FileState(setting);
    PreviewJournal journal(tree.paths());
    ASSERT_EQ(journal.Lock(), LockResult::kTaken);
    ASSERT_TRUE(journal.Apply(FileOf("TZif-preview"), std::nullopt));
    EXPECT_EQ(Text(setting), "TZif-preview");
    ASSERT_TRUE(journal.RollBack());
    journal.Unlock();
    EXPECT_EQ(FileState(setting), before);
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
  PreviewJournal journal(tree.paths());
  ASSERT_EQ(journal.Lock(), LockResult::kTaken);
  EXPECT_FALSE(journal.Apply(FileOf("TZif"), std::nullopt));
  EXPECT_FALSE(journal.InForce());
  journal.Unlock();
  EXPECT_TRUE(fs::is_directory(setting));
  EXPECT_TRUE(Leftovers(setting).empty());
}

// The pair rule: each file the preview wrote and nobody changed goes back, a
// file someone else changed stays theirs, and /etc/timezone ends naming the
// zone /etc/localtime links to. "was" is the file as before the preview,
// "theirs" as someone left it meanwhile, anything else the text expected.
TEST_F(SystemSettingTest, ThePairEndsConsistentWhateverSomeoneChangedMeanwhile) {
  const fs::path zones = tree.paths().zoneinfo_dir;
  const fs::path journal_file = keeper::ProgramFileBeside(setting, "applied");
  struct Case {
    const char* what;
    bool zone;  // a zone's preview, or one of no zone, which removes /etc/timezone
    std::function<void()> meanwhile;
    const char* localtime;
    const char* timezone;
  };
  for (const Case& c : std::vector<Case>{
           {"nobody", true, [] {}, "was", "was"},
           {"nobody, no zone", false, [] {}, "was", "was"},
           {"localtime set to Paris", true,
            [&] { fs::remove(setting), fs::create_symlink("../zoneinfo/Europe/Paris", setting); },
            "theirs", "Europe/Paris\n"},
           {"timezone rewritten as it was", true,
            [&] { WriteSetting(timezone, "America/New_York\n"); }, "was", "theirs"},
           {"timezone naming Paris", true, [&] { WriteSetting(timezone, "Europe/Paris\n"); }, "was",
            "America/New_York\n"},
           {"localtime removed", true, [&] { fs::remove(setting); }, "theirs", "was"},
           {"both", true, [&] { WriteSetting(setting, "TZif"), WriteSetting(timezone, "Paris"); },
            "theirs", "theirs"},
           // A file made again on the inode the preview's had freed: only
           // its birth, which the journal must have, tells it apart.
           {"localtime born again", true,
            [&] {
              const std::string text = Text(journal_file);
              std::ofstream(journal_file) << std::regex_replace(
                  text, std::regex("(localtime\t[^\t]*\tlink [0-9]+ )[1-9][0-9]*"), "$011");
            },
            "theirs", "Asia/Tokyo\n"},
       }) {
    SCOPED_TRACE(c.what);
    fs::remove(setting);
    fs::create_symlink(zones / "America/New_York", setting);
    std::ofstream(timezone) << "America/New_York\n";
    const std::string was[] = {FileState(setting), FileState(timezone)};
    PreviewJournal journal(tree.paths());
    ASSERT_EQ(journal.Lock(), LockResult::kTaken);
    ASSERT_TRUE(c.zone ? journal.Apply(LinkTo(zones / "Asia/Tokyo"), FileOf("Asia/Tokyo\n"))
                       : journal.Apply(FileOf("TZif-rules"),
                                       Replacement{.kind = Replacement::Kind::kNothing,
                                                   .link_target = {},
                                                   .bytes = {},
                                                   .mode = 0}));
    EXPECT_EQ(FileState(timezone) == "absent", !c.zone);
    c.meanwhile();
    const std::string theirs[] = {FileState(setting), FileState(timezone)};
    ASSERT_TRUE(journal.RollBack());
    const std::string expected[] = {c.localtime, c.timezone};
    for (int i = 0; i < 2; ++i) {
      const fs::path& file = i == 0 ? setting : timezone;
      SCOPED_TRACE(file.filename());
      const bool whole = expected[i] == "was" || expected[i] == "theirs";
      EXPECT_EQ(whole ? FileState(file) : Text(file), expected[i] == "was"      ? was[i]
                                                      : expected[i] == "theirs" ? theirs[i]
                                                                                : expected[i]);
    }
    EXPECT_FALSE(journal.InForce());
    journal.Unlock();
    EXPECT_EQ(Leftovers(setting).size(), 1u) << "timezone only";
  }
}

// A journal that can't be read or understood is never dropped: it, its way
// back and the lock stay, and no preview starts, until an administrator looks.
TEST_F(SystemSettingTest, AJournalThatCannotBeUnderstoodIsKeptWithItsWayBackAndTheLock) {
  const fs::path journal_file = keeper::ProgramFileBeside(setting, "applied");
  const std::string id(32, 'a');
  const std::string head = "talvane-preview-journal 1 " + id + "\n";
  const std::string entry = "localtime\tabsent\tfile 12 0 4 00000000000000ff\n";
  const fs::path way_back = keeper::ProgramFileBeside(setting, "absent." + id);
  for (const std::string& plant :
       {head, head + entry.substr(0, 20),
        std::string("\x7f"
                    "ELF\x02"),
        head + "passwd" + entry.substr(9), head + entry + std::string(1024, '#'),
        std::string("a FIFO"), std::string("a link")}) {
    SCOPED_TRACE(plant.substr(0, 30));
    std::ofstream(setting) << "TZif";
    if (plant == "a FIFO") {
      mkfifo(journal_file.c_str(), 0600);
    } else if (plant == "a link") {
      std::ofstream(tree.root() / "journal") << head << entry;
      fs::create_symlink(tree.root() / "journal", journal_file);
    } else {
      std::ofstream(journal_file) << plant;
    }
    std::ofstream(way_back).close();
    const std::string kept[] = {FileState(setting), FileState(journal_file), FileState(way_back)};
    PreviewJournal journal(tree.paths());
    ASSERT_EQ(journal.Lock(), LockResult::kTaken);
    EXPECT_FALSE(journal.RollBack());
    EXPECT_TRUE(journal.InForce());
    EXPECT_FALSE(journal.Apply(FileOf("TZif-preview"), std::nullopt));
    journal.Unlock();
    EXPECT_EQ(PreviewJournal(tree.paths()).Lock(), LockResult::kBusy);
    const std::string now[] = {FileState(setting), FileState(journal_file), FileState(way_back)};
    EXPECT_TRUE(std::equal(std::begin(kept), std::end(kept), std::begin(now)));
    fs::remove(journal_file);
    fs::remove(way_back);
    fs::remove(setting);
  }
}

}  // namespace
