// The time-zone setting's Windows rules, against fake system calls: Wine
// has no dynamic time-zone calls and refuses every change, so these rules
// can't be seen there.
#include "platform/win/time_zone_setting.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win/logon_run.h"
#include "tests/win/memory_way_back_store.h"

namespace {

using platform::win32::DynamicTimeZoneInformation;
using platform::win32::PreviewLockAttempt;
using platform::win32::RecoverAtLogOn;
using platform::win32::TimeZoneSetting;

win::TIME_ZONE_INFORMATION Zone(win::LONG bias, const std::u16string& name) {
  win::TIME_ZONE_INFORMATION zone{};
  zone.Bias = bias;
  std::memcpy(zone.StandardName, name.data(), name.size() * sizeof(char16_t));
  std::memcpy(zone.DaylightName, name.data(), name.size() * sizeof(char16_t));
  zone.StandardDate = {0, 10, 0, 5, 4, 0, 0, 0};
  zone.DaylightDate = {0, 3, 0, 5, 3, 0, 0, 0};
  zone.DaylightBias = -60;
  return zone;
}

bool Same(const win::TIME_ZONE_INFORMATION& a, const win::TIME_ZONE_INFORMATION& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// A system with one setting, which it reports in both forms, and a log of
// the calls made, in order.
class FakeSystem : public platform::win32::TimeZoneApi {
 public:
  // `preview_lock` stands for the lock all processes share: which fake holds
  // it (0: none). Each fake has its own unless one is given.
  FakeSystem(bool dynamic, const win::TIME_ZONE_INFORMATION& current, int* preview_lock = nullptr)
      : dynamic_(dynamic), lock_(preview_lock != nullptr ? preview_lock : &own_lock_) {
    setting.tzi = current;
    const std::u16string key = u"FLE Standard Time";
    std::memcpy(setting.TimeZoneKeyName, key.data(), key.size() * sizeof(char16_t));
    on_disk = setting;
  }

  win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* tzi) override {
    calls.push_back("GetTimeZoneInformation");
    if (fail_get) return win::TIME_ZONE_ID_INVALID;
    *tzi = setting.tzi;
    if (reads_disagree) tzi->DaylightDate.wDay ^= 1;
    return win::TIME_ZONE_ID_STANDARD;
  }
  win::BOOL SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) override {
    calls.push_back("SetTimeZoneInformation");
    if (!privilege_enabled || refuse_set) return 0;
    // As Vista and later do: the key name and the dynamic rules are lost.
    setting = {};
    setting.tzi = *tzi;
    setting.DynamicDaylightTimeDisabled = dynamic_ ? 1 : 0;
    if (renames) std::memcpy(setting.tzi.StandardName, u"Tokio", sizeof u"Tokio");
    return 1;
  }
  bool HasDynamicTimeZones() override { return dynamic_; }
  win::DWORD GetDynamicTimeZoneInformation(DynamicTimeZoneInformation* dtzi) override {
    calls.push_back("GetDynamicTimeZoneInformation");
    EXPECT_TRUE(dynamic_) << "the dynamic calls don't exist on this system";
    if (change_between_reads) setting.tzi.Bias += 60;
    change_between_reads = false;
    *dtzi = setting;
    return win::TIME_ZONE_ID_STANDARD;
  }
  win::BOOL SetDynamicTimeZoneInformation(const DynamicTimeZoneInformation* dtzi) override {
    calls.push_back("SetDynamicTimeZoneInformation");
    EXPECT_TRUE(dynamic_) << "the dynamic calls don't exist on this system";
    if (!privilege_enabled || refuse_set) return 0;
    setting = *dtzi;
    return 1;
  }
  bool EnableTimeZonePrivilege() override { return privilege_enabled = true; }
  void RestoreTimeZonePrivilege() override { privilege_enabled = false; }
  bool FlushSetting() override {
    if (!refuse_flush) on_disk = setting;
    return !refuse_flush;
  }
  void AnnounceChange() override {
    if (on_announce) on_announce();
  }
  PreviewLockAttempt TryLockPreview() override {
    if (*lock_ != 0 && *lock_ != id_) return PreviewLockAttempt::kRefused;
    if (!administrator) return PreviewLockAttempt::kFreeButNotOurs;
    *lock_ = id_;
    return PreviewLockAttempt::kHeld;
  }
  void UnlockPreview() override {
    EXPECT_EQ(*lock_, id_) << "unlocking a lock held by another";
    *lock_ = 0;
  }
  bool HoldsLock() const { return *lock_ == id_; }

  DynamicTimeZoneInformation setting{};
  DynamicTimeZoneInformation on_disk{};  // what a power loss leaves
  fakes::MemoryWayBackStore ways;
  std::vector<std::string> calls;
  bool privilege_enabled = false;
  bool fail_get = false;
  bool refuse_set = false;
  bool change_between_reads = false;
  bool reads_disagree = false;  // the plain read always differs from the dynamic one
  bool refuse_flush = false;
  bool renames = false;  // names any zone set otherwise, as a localised system may
  // Else the user may set the zone, but not hold the lock.
  bool administrator = true;
  std::function<void()> on_announce;

 private:
  bool dynamic_;
  int own_lock_ = 0;
  int* lock_;
  int id_ = ++instances_;
  static inline int instances_ = 0;
};

const win::TIME_ZONE_INFORMATION kHelsinki = Zone(-120, u"FLE Standard Time");
const win::TIME_ZONE_INFORMATION kTokyo = Zone(-540, u"Tokyo Standard Time");

// A process killed outright with its preview of Tokyo in force.
void KilledDuringAPreview(FakeSystem& system) {
  TimeZoneSetting killed(system, system.ways);
  win::TIME_ZONE_INFORMATION saved{};
  killed.Get(&saved);
  ASSERT_EQ(killed.Set(&kTokyo), 1);
}

TEST(TimeZoneSettingTest, RestoringOnVistaPutsBackTheKeyNameAndDynamicRules) {
  FakeSystem system(true, kHelsinki);
  system.setting.DynamicDaylightTimeDisabled = 0;
  const DynamicTimeZoneInformation before = system.setting;
  TimeZoneSetting setting(system, system.ways);
  // Killed during the broadcast, which may wait on every window, it leaves
  // the setting as read back in its way back, or the one from before on disk.
  system.on_announce = [&] {
    const auto& kept = system.ways.kept;
    EXPECT_EQ(std::memcmp(kept ? &kept->applied : &system.on_disk, &system.setting, sizeof before),
              0);
    EXPECT_TRUE(!kept || kept->applied_has_dynamic == 1);
  };

  win::TIME_ZONE_INFORMATION saved{};
  ASSERT_NE(setting.Get(&saved), win::TIME_ZONE_ID_INVALID);
  EXPECT_TRUE(Same(saved, kHelsinki));
  ASSERT_NE(setting.Set(&kTokyo), 0);
  EXPECT_TRUE(Same(system.setting.tzi, kTokyo));
  EXPECT_EQ(system.setting.TimeZoneKeyName[0], u'\0');
  ASSERT_NE(setting.Set(&saved), 0);

  EXPECT_EQ(std::memcmp(&system.setting, &before, sizeof before), 0)
      << "the dynamic record is not back as it was";
  EXPECT_EQ(system.calls.back(), "SetDynamicTimeZoneInformation");
}

TEST(TimeZoneSettingTest, ANewSettingGoesThroughSetTimeZoneInformation) {
  FakeSystem system(true, kHelsinki);
  TimeZoneSetting setting(system, system.ways);
  win::TIME_ZONE_INFORMATION saved{};
  setting.Get(&saved);
  system.calls.clear();

  ASSERT_NE(setting.Set(&kTokyo), 0);
  EXPECT_THAT(system.calls, ::testing::Contains("SetTimeZoneInformation"));
  EXPECT_THAT(system.calls, ::testing::Not(::testing::Contains("SetDynamicTimeZoneInformation")));
}

TEST(TimeZoneSettingTest, WithoutTheDynamicCallsTheRecordIsRestoredAsRead) {
  FakeSystem system(false, kHelsinki);
  TimeZoneSetting setting(system, system.ways);
  win::TIME_ZONE_INFORMATION saved{};
  setting.Get(&saved);
  setting.Set(&kTokyo);
  ASSERT_NE(setting.Set(&saved), 0);
  EXPECT_TRUE(Same(system.setting.tzi, kHelsinki));
  for (const std::string& call : system.calls) {
    EXPECT_EQ(call.find("Dynamic"), std::string::npos) << call;
  }
  EXPECT_FALSE(system.privilege_enabled) << "enabled for longer than each change";
}

// Plain and dynamic reads that always differ don't hold the restore up; the
// dynamic record is put back unless the setting changed between them.
TEST(TimeZoneSettingTest, ReadsThatDisagreeLetTheRestoreEnd) {
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed);
    FakeSystem system(true, kHelsinki);
    system.reads_disagree = !changed;
    system.change_between_reads = changed;
    const DynamicTimeZoneInformation before = system.setting;
    TimeZoneSetting setting(system, system.ways);
    win::TIME_ZONE_INFORMATION saved{};
    setting.Get(&saved);
    ASSERT_EQ(setting.Set(&kTokyo), 1);
    ASSERT_EQ(setting.Set(&saved), 1);
    EXPECT_TRUE(changed ? Same(system.setting.tzi, kHelsinki)
                        : std::memcmp(&system.setting, &before, sizeof before) == 0);
  }
}

TEST(TimeZoneSettingTest, AFailedReadLeavesNothingToRestore) {
  FakeSystem system(true, kHelsinki);
  system.fail_get = true;
  TimeZoneSetting setting(system, system.ways);
  win::TIME_ZONE_INFORMATION saved{};
  EXPECT_EQ(setting.Get(&saved), win::TIME_ZONE_ID_INVALID);
  setting.RollBack();
  EXPECT_THAT(system.calls, ::testing::ElementsAre("GetTimeZoneInformation"));
}

TEST(TimeZoneSettingTest, TheSessionRestorePutsBackAPreviewStillInForce) {
  FakeSystem system(true, kHelsinki);
  const DynamicTimeZoneInformation before = system.setting;
  TimeZoneSetting setting(system, system.ways);
  win::TIME_ZONE_INFORMATION saved{};
  setting.Get(&saved);
  setting.Set(&kTokyo);

  setting.RollBack();
  EXPECT_EQ(std::memcmp(&system.setting, &before, sizeof before), 0);
}

TEST(TimeZoneSettingTest, TheSessionRestoreDoesNothingOnceThePreviewEnded) {
  FakeSystem system(true, kHelsinki);
  TimeZoneSetting setting(system, system.ways);
  win::TIME_ZONE_INFORMATION saved{};
  setting.Get(&saved);
  setting.Set(&kTokyo);
  setting.Set(&saved);
  system.calls.clear();

  setting.RollBack();
  EXPECT_TRUE(system.calls.empty());
}

TEST(TimeZoneSettingTest, TheSessionRestoreDoesNothingWhenTheChangeWasRefused) {
  FakeSystem system(true, kHelsinki);
  system.refuse_set = true;
  TimeZoneSetting setting(system, system.ways);
  win::TIME_ZONE_INFORMATION saved{};
  setting.Get(&saved);
  EXPECT_EQ(setting.Set(&kTokyo), 0);
  EXPECT_FALSE(system.ways.kept) << "a way back of a change that never happened";
  system.calls.clear();

  setting.RollBack();
  EXPECT_TRUE(system.calls.empty());
}

TEST(TimeZoneSettingTest, NothingChangesUnlessTheWayBackIsKeptFirst) {
  FakeSystem system(true, kHelsinki);
  system.ways.refuse = true;
  TimeZoneSetting setting(system, system.ways);
  win::TIME_ZONE_INFORMATION saved{};
  setting.Get(&saved);
  EXPECT_EQ(setting.Set(&kTokyo), 0);
  EXPECT_TRUE(Same(system.setting.tzi, kHelsinki));
  EXPECT_FALSE(system.HoldsLock());
}

// A process killed outright with its preview in force: the next start puts
// the setting back from the kept way back, unless someone has set another
// zone since, which then stays.
TEST(TimeZoneSettingTest, TheNextStartPutsBackOnlyWhatADeadPreviewSet) {
  const win::TIME_ZONE_INFORMATION kParis = Zone(-60, u"Romance Standard Time");
  // As the preview left it, renamed by the system, Paris, Seoul, Tokyo's key.
  for (const int since : {0, 1, 2, 3, 4, 5}) {
    SCOPED_TRACE(since);
    FakeSystem system(true, kHelsinki);
    const DynamicTimeZoneInformation before = system.setting;
    system.renames = since == 1;
    KilledDuringAPreview(system);
    ASSERT_TRUE(system.ways.kept);
    if (since == 2) system.setting.tzi = kParis;
    if (since == 3) system.setting.tzi = Zone(-540, u"Korea Standard Time");
    if (since == 4) std::memcpy(system.setting.TimeZoneKeyName, u"Tokyo", sizeof u"Tokyo");
    if (since == 5) system.setting.DynamicDaylightTimeDisabled = 0;  // rules switched back on
    const DynamicTimeZoneInformation theirs = system.setting;
    TimeZoneSetting next_start(system, system.ways);
    next_start.RollBack();
    EXPECT_FALSE(system.ways.kept);
    EXPECT_EQ(std::memcmp(&system.setting, since < 2 ? &before : &theirs, sizeof before), 0);
  }
}

// Two processes share the lock and the system's setting: while the first
// previews, the second can't read the original; once the first has put it
// back, the second previews as usual.
TEST(TimeZoneSettingTest, WhileOnePreviewIsOpenASecondCannotReadTheOriginal) {
  int lock = 0;
  FakeSystem first_system(true, kHelsinki, &lock);
  FakeSystem second_system(true, kHelsinki, &lock);
  TimeZoneSetting first(first_system, first_system.ways), second(second_system, second_system.ways);

  win::TIME_ZONE_INFORMATION saved{}, seen{};
  ASSERT_NE(first.Get(&saved), win::TIME_ZONE_ID_INVALID);
  ASSERT_EQ(first.Set(&kTokyo), 1);
  EXPECT_EQ(second.Get(&seen), win::TIME_ZONE_ID_INVALID);
  EXPECT_EQ(second.Set(&kTokyo), 0) << "no change without the lock";

  ASSERT_EQ(first.Set(&saved), 1);
  EXPECT_FALSE(first_system.HoldsLock());
  EXPECT_NE(second.Get(&seen), win::TIME_ZONE_ID_INVALID);
  EXPECT_TRUE(second_system.HoldsLock());
}

TEST(TimeZoneSettingTest, APreviewThatFailsToStartLetsOthersIn) {
  FakeSystem system(true, kHelsinki);
  TimeZoneSetting setting(system, system.ways);
  win::TIME_ZONE_INFORMATION saved{};
  system.fail_get = true;
  EXPECT_EQ(setting.Get(&saved), win::TIME_ZONE_ID_INVALID);
  EXPECT_FALSE(system.HoldsLock());
  system.fail_get = false;
  ASSERT_NE(setting.Get(&saved), win::TIME_ZONE_ID_INVALID);
  system.refuse_set = true;
  EXPECT_EQ(setting.Set(&kTokyo), 0);
  EXPECT_FALSE(system.HoldsLock());
}

// Windows writes the setting lazily: a power loss after OK ends in the
// setting from before at a log-on.
TEST(TimeZoneSettingTest, APowerLossAfterOkEndsInTheSettingFromBefore) {
  for (const int fault : {0, 1, 2}) {  // none, the flush fails, the removal fails
    SCOPED_TRACE(fault);
    FakeSystem system(true, kHelsinki);
    TimeZoneSetting setting(system, system.ways);
    win::TIME_ZONE_INFORMATION saved{};
    setting.Get(&saved);
    ASSERT_EQ(setting.Set(&kTokyo), 1);
    system.on_disk = system.setting;
    system.refuse_flush = fault == 1;
    system.ways.refuse_remove = fault == 2;
    EXPECT_EQ(setting.Set(&saved), fault == 0 ? 1 : 0);
    system.setting = system.on_disk;
    system.refuse_flush = system.ways.refuse_remove = false;
    for (const bool refused : {true, false}) {
      system.refuse_set = refused;
      EXPECT_EQ(RecoverAtLogOn(system, system.ways), refused && fault == 1 ? 1 : 0);
    }
    EXPECT_TRUE(Same(system.setting.tzi, kHelsinki));
    EXPECT_FALSE(system.ways.kept);
  }
}

// Windows keeps the log-on run ("!Talvane") until it exits with 0. Cases: a
// dead preview, none, the change refused, another session previewing, a user
// who may set the zone but not hold the lock or drop the record (Vista and
// later), the same while another holds it. An administrator's run ends all.
TEST(TimeZoneSettingTest, ALogOnRunSucceedsOnlyOnceNoWayBackIsKept) {
  for (const int left : {0, 1, 2, 3, 4, 5}) {
    SCOPED_TRACE(left);
    int lock = 0;
    FakeSystem system(true, kHelsinki, &lock);
    const DynamicTimeZoneInformation before = system.setting;
    if (left != 1) KilledDuringAPreview(system);
    lock = left == 3 || left == 5 ? -1 : 0;
    system.refuse_set = left == 2;
    system.administrator = left < 4;
    system.ways.refuse_remove = left >= 4;
    EXPECT_EQ(RecoverAtLogOn(system, system.ways), left >= 2 ? 1 : 0);
    EXPECT_EQ(system.ways.kept.has_value(), left >= 2);
    EXPECT_EQ(std::memcmp(&system.setting, &before, sizeof before) == 0, left < 2 || left == 4);
    lock = 0;
    system.refuse_set = system.ways.refuse_remove = false;
    system.administrator = true;
    EXPECT_EQ(RecoverAtLogOn(system, system.ways), 0);
    EXPECT_EQ(std::memcmp(&system.setting, &before, sizeof before), 0);
  }
}

}  // namespace
