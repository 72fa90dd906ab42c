#include "timezones/catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/form1.h"
#include "tests/fakes/mock_platform.h"

namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::Invoke;
using ::testing::IsEmpty;
using ::testing::Return;
using ::testing::SetArgPointee;
using ::testing::StrEq;
using ::testing::StrictMock;

constexpr win::HKEY kZonesKey{0x1234};
constexpr char kNtPath[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";
constexpr char kOtherPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Time Zones";

// Answers the version query as a system of the given platform would.
auto ReportPlatform(win::DWORD platform_id) {
  return [platform_id](win::OSVERSIONINFOA* info) {
    info->dwPlatformId = platform_id;
    return win::BOOL{1};
  };
}

// Writes `name` as the enumeration does, after checking that the program
// handed over a buffer filled with NULs.
auto EnumerateAs(std::string name) {
  return [name](win::HKEY, win::DWORD, char* buffer, win::DWORD size) {
    EXPECT_EQ(size, 32u);
    EXPECT_TRUE(std::all_of(buffer, buffer + 32, [](char c) { return c == '\0'; }))
        << "buffer not cleared before the call";
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return win::ERROR_SUCCESS;
  };
}

class CatalogueTest : public ::testing::Test {
 protected:
  StrictMock<fakes::MockRegistry> registry;
  StrictMock<fakes::MockSystemServices> system;
  fakes::RecordingWindow window;
};

TEST_F(CatalogueTest, ListsEveryNameInEnumerationOrderThenClosesTheKey) {
  InSequence in_order;
  EXPECT_CALL(system, GetVersionExA(_)).WillOnce(Invoke([](win::OSVERSIONINFOA* info) {
    EXPECT_EQ(info->dwOSVersionInfoSize, 148u);
    win::OSVERSIONINFOA zero{};
    zero.dwOSVersionInfoSize = 148;
    EXPECT_EQ(std::memcmp(info, &zero, sizeof zero), 0) << "record not zero-filled";
    info->dwPlatformId = 2;
    return 1;
  }));
  EXPECT_CALL(registry, RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, StrEq(kNtPath), 0u, 0x3Fu, _))
      .WillOnce(DoAll(SetArgPointee<4>(kZonesKey), Return(0)));
  // A long name first, so a buffer not cleared before the shorter one shows.
  EXPECT_CALL(registry, RegEnumKeyA(kZonesKey, 0u, _, 32u))
      .WillOnce(Invoke(EnumerateAs("America/Argentina/Buenos_Aires")));
  EXPECT_CALL(registry, RegEnumKeyA(kZonesKey, 1u, _, 32u)).WillOnce(Invoke(EnumerateAs("UTC")));
  EXPECT_CALL(registry, RegEnumKeyA(kZonesKey, 2u, _, 32u))
      .WillOnce(Invoke(EnumerateAs(std::string(31, 'N'))));
  EXPECT_CALL(registry, RegEnumKeyA(kZonesKey, 3u, _, 32u))
      .WillOnce(Return(win::ERROR_NO_MORE_ITEMS));
  EXPECT_CALL(registry, RegCloseKey(kZonesKey)).WillOnce(Return(0));

  EXPECT_EQ(timezones::FillTimeZoneList(registry, system, window), kNtPath);
  EXPECT_THAT(window.entries,
              ElementsAre("America/Argentina/Buenos_Aires", "UTC", std::string(31, 'N')));
}

TEST_F(CatalogueTest, TheFirstFailureOfAnyKindEndsTheList) {
  for (win::LONG failure :
       {win::ERROR_MORE_DATA, win::ERROR_NO_MORE_ITEMS, win::ERROR_INVALID_HANDLE}) {
    SCOPED_TRACE(failure);
    fakes::RecordingWindow list;
    InSequence in_order;
    EXPECT_CALL(system, GetVersionExA(_)).WillOnce(Invoke(ReportPlatform(2)));
    EXPECT_CALL(registry, RegOpenKeyExA(_, _, _, _, _))
        .WillOnce(DoAll(SetArgPointee<4>(kZonesKey), Return(0)));
    EXPECT_CALL(registry, RegEnumKeyA(kZonesKey, 0u, _, 32u))
        .WillOnce(Invoke(EnumerateAs("Asia/Tokyo")));
    EXPECT_CALL(registry, RegEnumKeyA(kZonesKey, 1u, _, 32u)).WillOnce(Return(failure));
    EXPECT_CALL(registry, RegCloseKey(kZonesKey)).WillOnce(Return(0));

    timezones::FillTimeZoneList(registry, system, list);
    EXPECT_THAT(list.entries, ElementsAre("Asia/Tokyo"));
    ::testing::Mock::VerifyAndClearExpectations(&registry);
  }
}

TEST_F(CatalogueTest, AFailureAtTheFirstIndexLeavesTheListEmpty) {
  InSequence in_order;
  EXPECT_CALL(system, GetVersionExA(_)).WillOnce(Invoke(ReportPlatform(2)));
  EXPECT_CALL(registry, RegOpenKeyExA(_, _, _, _, _))
      .WillOnce(DoAll(SetArgPointee<4>(kZonesKey), Return(0)));
  EXPECT_CALL(registry, RegEnumKeyA(kZonesKey, 0u, _, 32u)).WillOnce(Return(win::ERROR_MORE_DATA));
  EXPECT_CALL(registry, RegCloseKey(kZonesKey)).WillOnce(Return(0));

  timezones::FillTimeZoneList(registry, system, window);
  EXPECT_THAT(window.entries, IsEmpty());
}

TEST_F(CatalogueTest, AKeyThatCannotBeOpenedGivesOneEntryAndIsNeverClosed) {
  for (win::LONG failure : {win::ERROR_ACCESS_DENIED, win::ERROR_FILE_NOT_FOUND}) {
    SCOPED_TRACE(failure);
    fakes::RecordingWindow list;
    EXPECT_CALL(system, GetVersionExA(_)).WillOnce(Invoke(ReportPlatform(2)));
    EXPECT_CALL(registry, RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, StrEq(kNtPath), 0u, 0x3Fu, _))
        .WillOnce(Return(failure));
    // The strict mock fails the test on any enumeration or close.

    EXPECT_EQ(timezones::FillTimeZoneList(registry, system, list), kNtPath);
    EXPECT_THAT(list.entries, ElementsAre("Could not open registry key"));
  }
}

TEST_F(CatalogueTest, AnythingButTheNtFamilyUsesTheOtherPath) {
  // 0 is what a failed version query leaves; 1 is the Windows 95 family.
  for (bool query_fails : {true, false}) {
    SCOPED_TRACE(query_fails);
    fakes::RecordingWindow list;
    if (query_fails) {
      EXPECT_CALL(system, GetVersionExA(_)).WillOnce(Return(0));
    } else {
      EXPECT_CALL(system, GetVersionExA(_)).WillOnce(Invoke(ReportPlatform(1)));
    }
    EXPECT_CALL(registry, RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, StrEq(kOtherPath), 0u, 0x3Fu, _))
        .WillOnce(Return(win::ERROR_FILE_NOT_FOUND));

    EXPECT_EQ(timezones::FillTimeZoneList(registry, system, list), kOtherPath);
    EXPECT_THAT(list.entries, ElementsAre("Could not open registry key"));
  }
}

TEST_F(CatalogueTest, LoadingTheWindowRemembersTheKeyPathEvenWhenItCannotBeOpened) {
  EXPECT_CALL(system, GetVersionExA(_)).WillOnce(Invoke(ReportPlatform(2)));
  EXPECT_CALL(registry, RegOpenKeyExA(_, _, _, _, _)).WillOnce(Return(win::ERROR_ACCESS_DENIED));
  StrictMock<fakes::MockToolkit> toolkit;
  app::Form1 form(window, toolkit, registry, system);
  EXPECT_THAT(form.TimeZonesKeyPath, IsEmpty());

  form.Form_Load();
  EXPECT_EQ(form.TimeZonesKeyPath, kNtPath);
}

}  // namespace
