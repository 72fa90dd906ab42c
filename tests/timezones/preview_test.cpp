#include "timezones/preview.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "tests/fakes/mock_platform.h"

namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::InSequence;
using ::testing::Invoke;
using ::testing::Return;
using ::testing::SetArgPointee;
using ::testing::StrEq;
using ::testing::StrictMock;

constexpr win::HKEY kZoneKey{0x4242};
constexpr char kRoot[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

win::SYSTEMTIME Date(win::WORD month, win::WORD day_of_week, win::WORD week, win::WORD hour) {
  return {0, month, day_of_week, week, hour, 0, 0, 0};
}

// Helsinki: EET/EEST, last Sunday of March 3:00 to last Sunday of October 4:00.
win::REG_TZI_FORMAT HelsinkiTzi() { return {-120, 0, -60, Date(10, 0, 5, 4), Date(3, 0, 5, 3)}; }

std::u16string Widen(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string NameOf(const win::WCHAR (&name)[32]) {
  return std::u16string(name, std::find(name, name + 32, u'\0'));
}

// A zone key's values, answered with Windows' rules for sizes.
struct ZoneValues {
  win::REG_TZI_FORMAT tzi = HelsinkiTzi();
  std::string std_name = "EET";
  std::string dlt_name = "EEST";
  std::string missing;  // a value to report as missing

  win::LONG Query(win::HKEY, const char* name, win::DWORD* reserved, win::DWORD* type,
                  win::BYTE* data, win::DWORD* size) const {
    EXPECT_EQ(reserved, nullptr);
    std::string bytes;
    if (name == missing) return win::ERROR_FILE_NOT_FOUND;
    if (std::string_view(name) == "TZI") {
      EXPECT_EQ(type, nullptr);
      EXPECT_EQ(*size, 44u);
      bytes.assign(reinterpret_cast<const char*>(&tzi), sizeof tzi);
    } else {
      EXPECT_NE(type, nullptr);
      EXPECT_EQ(*type, win::REG_SZ) << "type not preset";
      EXPECT_EQ(*size, 32u);
      // 33 bytes, all zero: the extra byte keeps a full buffer terminated.
      EXPECT_TRUE(std::all_of(data, data + 33, [](win::BYTE b) { return b == 0; }));
      bytes = (std::string_view(name) == "Std" ? std_name : dlt_name) + '\0';
      *type = win::REG_SZ;
    }
    if (bytes.size() > *size) {
      *size = static_cast<win::DWORD>(bytes.size());
      return win::ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    *size = static_cast<win::DWORD>(bytes.size());
    return win::ERROR_SUCCESS;
  }
};

class PreviewTest : public ::testing::Test {
 protected:
  void SelectAndOpen(const std::string& zone) {
    EXPECT_CALL(window, List1_Text()).WillOnce(Return(zone));
    EXPECT_CALL(registry, RegOpenKeyExA(win::HKEY_LOCAL_MACHINE,
                                        StrEq(std::string(kRoot) + "\\" + zone), 0u, 0x3Fu, _))
        .WillOnce(DoAll(SetArgPointee<4>(kZoneKey), Return(0)));
  }
  // The three values read and the names widened, in order.
  void ReadValues() {
    auto query = [this](auto... args) { return values.Query(args...); };
    EXPECT_CALL(registry, RegQueryValueExA(kZoneKey, StrEq("TZI"), _, _, _, _))
        .WillOnce(Invoke(query));
    for (const char* name : {"Std", "Dlt"}) {
      EXPECT_CALL(registry, RegQueryValueExA(kZoneKey, StrEq(name), _, _, _, _))
          .WillOnce(Invoke(query));
      const std::string& text = std::string_view(name) == "Std" ? values.std_name : values.dlt_name;
      EXPECT_CALL(system, MultiByteToWideChar(0u, 1u, _, static_cast<int>(text.size() + 1), _, 32))
          .WillOnce(Invoke([](win::UINT, win::DWORD, const char* in, int n, win::WCHAR* out, int) {
            std::copy(in, in + n, out);
            return n;
          }));
    }
  }
  void ReadCurrentSetting(win::DWORD result) {
    EXPECT_CALL(system, GetTimeZoneInformation(_))
        .WillOnce(Invoke([=, this](win::TIME_ZONE_INFORMATION* out) {
          win::TIME_ZONE_INFORMATION zero{};
          EXPECT_EQ(std::memcmp(out, &zero, sizeof zero), 0) << "saved record not zero-filled";
          *out = original;
          return result;
        }));
  }
  void Run() { timezones::PreviewSelectedTimeZone(registry, system, window, kRoot); }

  StrictMock<fakes::MockRegistry> registry;
  StrictMock<fakes::MockSystemServices> system;
  StrictMock<fakes::MockFormWindow> window;
  ZoneValues values;
  win::TIME_ZONE_INFORMATION original = [] {
    win::TIME_ZONE_INFORMATION tzi{};
    tzi.Bias = 300;
    std::memcpy(tzi.StandardName, u"EST", 8);
    std::memcpy(tzi.DaylightName, u"EDT", 8);
    tzi.DaylightBias = -60;
    tzi.StandardDate = Date(11, 0, 1, 2);
    tzi.DaylightDate = Date(3, 0, 2, 2);
    return tzi;
  }();
};

TEST_F(PreviewTest, AppliesTheZoneWhileTheMessageIsOpenThenRestoresTheSavedRecordUnchanged) {
  InSequence in_order;
  SelectAndOpen("Europe/Helsinki");
  ReadValues();
  ReadCurrentSetting(win::TIME_ZONE_ID_DAYLIGHT);
  EXPECT_CALL(system, SetTimeZoneInformation(_))
      .WillOnce(Invoke([](const win::TIME_ZONE_INFORMATION* tzi) {
        EXPECT_EQ(tzi->Bias, -120);
        EXPECT_EQ(tzi->StandardBias, 0);
        EXPECT_EQ(tzi->DaylightBias, -60);
        EXPECT_EQ(NameOf(tzi->StandardName), u"EET");
        EXPECT_EQ(NameOf(tzi->DaylightName), u"EEST");
        const win::REG_TZI_FORMAT expected = HelsinkiTzi();
        EXPECT_EQ(std::memcmp(&tzi->StandardDate, &expected.StandardDate, 16), 0);
        EXPECT_EQ(std::memcmp(&tzi->DaylightDate, &expected.DaylightDate, 16), 0);
        return 1;
      }));
  EXPECT_CALL(window, MsgBox(std::string_view("Time Zone Changed, Click OK to restore")));
  EXPECT_CALL(system, SetTimeZoneInformation(_))
      .WillOnce(Invoke([this](const win::TIME_ZONE_INFORMATION* tzi) {
        EXPECT_EQ(std::memcmp(tzi, &original, sizeof original), 0)
            << "restore differs from what was read";
        return 1;
      }));
  EXPECT_CALL(registry, RegCloseKey(kZoneKey));
  Run();
}

// Zones without daylight time, by either sign, carry the standard name twice.
TEST_F(PreviewTest, NoDaylightMonthOrNoDaylightBiasCopiesTheStandardName) {
  for (bool month_zero : {true, false}) {
    SCOPED_TRACE(month_zero ? "daylight month 0" : "daylight bias 0");
    values.tzi = HelsinkiTzi();
    if (month_zero) {
      values.tzi.DaylightDate = {};
    } else {
      values.tzi.DaylightBias = 0;
    }
    values.std_name = "MSK";
    values.dlt_name = "MSD";
    InSequence in_order;
    SelectAndOpen("Europe/Moscow");
    ReadValues();
    ReadCurrentSetting(win::TIME_ZONE_ID_UNKNOWN);
    const void* moved_to = nullptr;
    const void* moved_from = nullptr;
    EXPECT_CALL(system, RtlMoveMemory(_, _, 64u))
        .WillOnce(Invoke([&](void* to, const void* from, std::size_t n) {
          moved_to = to;
          moved_from = from;
          std::memmove(to, from, n);
        }));
    EXPECT_CALL(system, SetTimeZoneInformation(_))
        .WillOnce(Invoke([&](const win::TIME_ZONE_INFORMATION* tzi) {
          EXPECT_EQ(moved_to, tzi->DaylightName);
          EXPECT_EQ(moved_from, tzi->StandardName);
          EXPECT_EQ(NameOf(tzi->DaylightName), u"MSK");
          EXPECT_EQ(tzi->DaylightBias, 0);
          EXPECT_EQ(tzi->DaylightDate.wMonth, month_zero ? 0 : 3) << "dates are applied as read";
          return 1;
        }));
    EXPECT_CALL(window, MsgBox(std::string_view(timezones::kChangedMessage)));
    EXPECT_CALL(system, SetTimeZoneInformation(_)).WillOnce(Return(1));
    EXPECT_CALL(registry, RegCloseKey(kZoneKey));
    Run();
    ::testing::Mock::VerifyAndClearExpectations(&system);
  }
}

TEST_F(PreviewTest, AZoneKeyThatDoesNotOpenChangesNothing) {
  // No selection gives a path ending in the separator; the failure entry a
  // name no zone has.
  for (std::string selected : {"", "Could not open registry key"}) {
    EXPECT_CALL(window, List1_Text()).WillOnce(Return(selected));
    EXPECT_CALL(registry, RegOpenKeyExA(win::HKEY_LOCAL_MACHINE,
                                        StrEq(std::string(kRoot) + "\\" + selected), 0u, 0x3Fu, _))
        .WillOnce(Return(win::ERROR_FILE_NOT_FOUND));
    Run();
  }
}

TEST_F(PreviewTest, AValueMissingOrTooLongClosesTheKeySilently) {
  struct Case {
    const char* why;
    std::string missing;
    std::string std_name;
  };
  for (const Case& c :
       {Case{"no TZI", "TZI", "EET"}, Case{"no Std", "Std", "EET"}, Case{"no Dlt", "Dlt", "EET"},
        Case{"Std of 32 characters", "", std::string(32, 'S')}}) {
    SCOPED_TRACE(c.why);
    values.missing = c.missing;
    values.std_name = c.std_name;
    SelectAndOpen("Europe/Helsinki");
    auto query = [this](auto... args) { return values.Query(args...); };
    EXPECT_CALL(registry, RegQueryValueExA(kZoneKey, _, _, _, _, _)).WillRepeatedly(Invoke(query));
    EXPECT_CALL(system, MultiByteToWideChar(_, _, _, _, _, _)).WillRepeatedly(Return(4));
    EXPECT_CALL(registry, RegCloseKey(kZoneKey));
    Run();
    ::testing::Mock::VerifyAndClearExpectations(&registry);
  }
}

TEST_F(PreviewTest, AStdOf31CharactersIsAccepted) {
  values.std_name = std::string(31, 'S');
  InSequence in_order;
  SelectAndOpen("Europe/Helsinki");
  ReadValues();
  ReadCurrentSetting(win::TIME_ZONE_ID_STANDARD);
  EXPECT_CALL(system, SetTimeZoneInformation(_))
      .WillOnce(Invoke([](const win::TIME_ZONE_INFORMATION* tzi) {
        EXPECT_EQ(NameOf(tzi->StandardName), Widen(std::string(31, 'S')));
        return 1;
      }));
  EXPECT_CALL(window, MsgBox(_));
  EXPECT_CALL(system, SetTimeZoneInformation(_)).WillOnce(Return(1));
  EXPECT_CALL(registry, RegCloseKey(kZoneKey));
  Run();
}

TEST_F(PreviewTest, AnUnreadableCurrentSettingIsReportedAndNothingChanges) {
  InSequence in_order;
  SelectAndOpen("Europe/Helsinki");
  ReadValues();
  ReadCurrentSetting(win::TIME_ZONE_ID_INVALID);
  EXPECT_CALL(window, MsgBox(std::string_view("Error getting original TimeZone Info")));
  EXPECT_CALL(registry, RegCloseKey(kZoneKey));
  Run();
}

TEST_F(PreviewTest, ANewSettingThatCannotBeAppliedIsReportedAndNotRestored) {
  InSequence in_order;
  SelectAndOpen("Europe/Helsinki");
  ReadValues();
  ReadCurrentSetting(win::TIME_ZONE_ID_STANDARD);
  EXPECT_CALL(system, SetTimeZoneInformation(_)).WillOnce(Return(0));
  EXPECT_CALL(window, MsgBox(std::string_view("Error setting new TimeZone Info")));
  EXPECT_CALL(registry, RegCloseKey(kZoneKey));
  Run();
}

// A restore that fails is said, and tried again each time the user has read it.
TEST_F(PreviewTest, AFailedRestoreIsReportedAndRetriedUntilTheSettingIsBack) {
  InSequence in_order;
  SelectAndOpen("Europe/Helsinki");
  ReadValues();
  ReadCurrentSetting(win::TIME_ZONE_ID_STANDARD);
  EXPECT_CALL(system, SetTimeZoneInformation(_)).WillOnce(Return(1));
  EXPECT_CALL(window, MsgBox(std::string_view(timezones::kChangedMessage)));
  for (int failures = 0; failures < 2; ++failures) {
    EXPECT_CALL(system, SetTimeZoneInformation(_)).WillOnce(Return(0));
    EXPECT_CALL(window, MsgBox(std::string_view("Could not restore the original TimeZone Info")));
  }
  EXPECT_CALL(system, SetTimeZoneInformation(_))
      .WillOnce(Invoke([this](const win::TIME_ZONE_INFORMATION* tzi) {
        EXPECT_EQ(std::memcmp(tzi, &original, sizeof original), 0);
        return 1;
      }));
  EXPECT_CALL(registry, RegCloseKey(kZoneKey));
  Run();
}

}  // namespace
