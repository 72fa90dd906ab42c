#include "tz/tzif_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "tests/tz/tzif_builder.h"

namespace talvane::tz {
namespace {

using testing::BuildTzif;
using testing::Count;
using ::testing::ElementsAre;
using ::testing::Field;
using testing::NewYorkLikeLayout;
using testing::SecondHeaderOffset;
using testing::SetCount;
using testing::TzifLayout;

const std::filesystem::path kZoneinfo = "/usr/share/zoneinfo";

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// --- Well-formed input -----------------------------------------------------

TEST(TzifReaderTest, ReadsBuiltVersion2File) {
  const auto tzif = ReadTzif(BuildTzif(NewYorkLikeLayout()));
  ASSERT_TRUE(tzif.has_value());
  EXPECT_EQ(tzif->version, 2);
  EXPECT_THAT(tzif->transition_times, ElementsAre(1772953200, 1793512800));
  EXPECT_THAT(tzif->transition_types, ElementsAre(1, 0));
  ASSERT_EQ(tzif->types.size(), 2u);
  EXPECT_EQ(tzif->types[0], (LocalTimeType{-18000, false, "EST"}));
  EXPECT_EQ(tzif->types[1], (LocalTimeType{-14400, true, "EDT"}));
  EXPECT_EQ(tzif->footer, "EST5EDT,M3.2.0,M11.1.0");
  ASSERT_TRUE(tzif->footer_rule.has_value());
  EXPECT_EQ(tzif->footer_rule->dst_type->abbr, "EDT");
}

TEST(TzifReaderTest, ReadsVersion1FileWith32BitTimes) {
  TzifLayout layout = NewYorkLikeLayout();
  layout.version = '\0';
  layout.times = {-5, 1000};  // negative 32-bit times must sign-extend
  const auto tzif = ReadTzif(BuildTzif(layout));
  ASSERT_TRUE(tzif.has_value());
  EXPECT_EQ(tzif->version, 1);
  EXPECT_THAT(tzif->transition_times, ElementsAre(-5, 1000));
  EXPECT_TRUE(tzif->footer.empty());
  EXPECT_FALSE(tzif->footer_rule.has_value());
}

TEST(TzifReaderTest, AbbreviationMayStartInsideAnother) {
  // zic shares tails: "EDT" can be read from inside "XEDT".
  TzifLayout layout = NewYorkLikeLayout();
  layout.chars = std::string("EST\0XEDT\0", 9);
  layout.types[1].abbr_index = 5;
  const auto tzif = ReadTzif(BuildTzif(layout));
  ASSERT_TRUE(tzif.has_value());
  EXPECT_EQ(tzif->types[1].abbr, "EDT");
}

TEST(TzifReaderTest, EmptyFooterIsAllowed) {
  TzifLayout layout = NewYorkLikeLayout();
  layout.footer = "";
  const auto tzif = ReadTzif(BuildTzif(layout));
  ASSERT_TRUE(tzif.has_value());
  EXPECT_FALSE(tzif->footer_rule.has_value());
}

TEST(TzifReaderTest, ReadsLeapSeconds) {
  TzifLayout layout = NewYorkLikeLayout();
  layout.leaps = {{78796800, 1}, {94694401, 2}, {126230402, 3}};
  const auto tzif = ReadTzif(BuildTzif(layout));
  ASSERT_TRUE(tzif.has_value());
  EXPECT_THAT(tzif->leap_seconds,
              ElementsAre(Field(&LeapSecond::correction, 1), Field(&LeapSecond::correction, 2),
                          Field(&LeapSecond::correction, 3)));
}

TEST(TzifReaderTest, Version4MayEndLeapSecondsWithAnExpiry) {
  TzifLayout layout = NewYorkLikeLayout();
  layout.version = '4';
  layout.leaps = {{78796800, 1}, {94694401, 2}, {1800000000, 2}};
  const auto tzif = ReadTzif(BuildTzif(layout));
  ASSERT_TRUE(tzif.has_value());
  EXPECT_EQ(tzif->version, 4);
  EXPECT_EQ(tzif->leap_seconds.size(), 3u);
}

TEST(TzifReaderTest, ReadsFilesWithLeapSeconds) {
  const auto tzif = ReadTzifFile(kZoneinfo / "right/UTC");
  ASSERT_TRUE(tzif.has_value());
  ASSERT_FALSE(tzif->leap_seconds.empty());
  // 27 leap seconds were inserted from 1972 to 2016.
  EXPECT_EQ(tzif->leap_seconds.back().correction, 27);
}

TEST(TzifReaderTest, ReadsRealZoneFiles) {
  struct Case {
    const char* zone;
    const char* footer;
  };
  for (const Case& c : {
           Case{"America/New_York", "EST5EDT,M3.2.0,M11.1.0"},
           Case{"Europe/Dublin", "IST-1GMT0,M10.5.0,M3.5.0/1"},
           Case{"Asia/Kolkata", "IST-5:30"},
           Case{"Africa/Casablanca", "<+01>-1"},
       }) {
    SCOPED_TRACE(c.zone);
    const auto tzif = ReadTzifFile(kZoneinfo / c.zone);
    ASSERT_TRUE(tzif.has_value());
    EXPECT_GE(tzif->version, 2);
    EXPECT_EQ(tzif->footer, c.footer);
  }
}

TEST(TzifReaderTest, ReadsEveryFileTheSystemShips) {
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(kZoneinfo)) {
    if (!entry.is_regular_file()) continue;
    const auto bytes = FileBytes(entry.path());
    // tzdata.zi, zone.tab and the like sit beside the zone files.
    if (bytes.size() < 4 || std::string(bytes.begin(), bytes.begin() + 4) != "TZif") continue;
    ++files;
    EXPECT_TRUE(ReadTzif(bytes).has_value()) << entry.path();
  }
  EXPECT_GT(files, 400);
}

// --- Files that cannot be trusted ------------------------------------------

TEST(TzifReaderTest, EveryTruncationOfARealFileIsRejected) {
  for (const char* zone : {"America/New_York", "Asia/Kolkata", "Europe/Dublin"}) {
    SCOPED_TRACE(zone);
    const auto bytes = FileBytes(kZoneinfo / zone);
    ASSERT_TRUE(ReadTzif(bytes).has_value());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
      ASSERT_FALSE(ReadTzif(std::span(bytes).first(n)).has_value()) << "length " << n;
    }
  }
}

TEST(TzifReaderTest, EveryTruncationOfAVersion1FileIsRejected) {
  TzifLayout layout = NewYorkLikeLayout();
  layout.version = '\0';
  const auto bytes = BuildTzif(layout);
  ASSERT_TRUE(ReadTzif(bytes).has_value());
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    ASSERT_FALSE(ReadTzif(std::span(bytes).first(n)).has_value()) << "length " << n;
  }
}

// One defect per case, on an otherwise valid file.
TEST(TzifReaderTest, RejectsMalformedData) {
  struct Case {
    const char* what;
    void (*damage)(TzifLayout&);
  };
  const Case cases[] = {
      {"transition type index past the types", [](TzifLayout& s) { s.type_indexes[0] = 2; }},
      {"abbreviation index past the chars", [](TzifLayout& s) { s.types[1].abbr_index = 8; }},
      {"abbreviation without NUL", [](TzifLayout& s) { s.chars = std::string("EST\0EDT", 7); }},
      {"control character in abbreviation",
       [](TzifLayout& s) { s.chars = std::string("EST\0E\nT\0", 8); }},
      {"transitions out of order", [](TzifLayout& s) { std::swap(s.times[0], s.times[1]); }},
      {"repeated transition time", [](TzifLayout& s) { s.times[1] = s.times[0]; }},
      {"utoff of -2^31",
       [](TzifLayout& s) { s.types[0].utoff = std::numeric_limits<std::int32_t>::min(); }},
      {"utoff of 26 hours", [](TzifLayout& s) { s.types[0].utoff = 26 * 3600; }},
      {"utoff of -25 hours", [](TzifLayout& s) { s.types[0].utoff = -25 * 3600; }},
      {"isdst of 2", [](TzifLayout& s) { s.types[1].isdst = 2; }},
      {"no types",
       [](TzifLayout& s) {
         s.types.clear();
         s.type_indexes.clear();
         s.times.clear();
         s.isstd.clear();
         s.isut.clear();
       }},
      {"no abbreviation chars", [](TzifLayout& s) { s.chars.clear(); }},
      {"fewer isstd indicators than types", [](TzifLayout& s) { s.isstd = {0}; }},
      {"isstd indicator of 2",
       [](TzifLayout& s) {
         s.isstd = {0, 2};
       }},
      {"UT indicator without standard indicator",
       [](TzifLayout& s) {
         s.isut = {1, 0};
       }},
      {"leap seconds out of order",
       [](TzifLayout& s) {
         s.leaps = {{94694401, 1}, {78796800, 2}};
       }},
      {"leap second before the epoch",
       [](TzifLayout& s) {
         s.leaps = {{-1, 1}};
       }},
      {"repeated correction before version 4",
       [](TzifLayout& s) {
         s.leaps = {{78796800, 1}, {94694401, 1}};
       }},
      {"leap correction jumps by two",
       [](TzifLayout& s) {
         s.leaps = {{78796800, 1}, {94694401, 3}};
       }},
      {"footer that does not parse", [](TzifLayout& s) { s.footer = "EST5EDT"; }},
      {"footer with a second line", [](TzifLayout& s) { s.footer = "EST5\nEST5"; }},
  };
  for (const Case& c : cases) {
    TzifLayout layout = NewYorkLikeLayout();
    c.damage(layout);
    EXPECT_FALSE(ReadTzif(BuildTzif(layout)).has_value()) << c.what;
  }
}

TEST(TzifReaderTest, RejectsBadHeaders) {
  const TzifLayout layout = NewYorkLikeLayout();
  const std::size_t second = SecondHeaderOffset(layout);
  struct Case {
    const char* what;
    std::size_t header;
    Count count;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"absurd transition count", second, Count::kTime, 2'000'000},
      {"largest transition count", second, Count::kTime, 0xFFFFFFFF},
      {"transition count past the data", second, Count::kTime, 1000},
      {"more types than a byte can index", second, Count::kType, 257},
      {"absurd char count", second, Count::kChar, 0xFFFFFFFF},
      {"absurd leap second count", second, Count::kLeap, 0xFFFFFFFF},
      {"isut count neither 0 nor the type count", second, Count::kIsUt, 1},
      {"absurd count in the 32-bit header", 0, Count::kTime, 0xFFFFFFFF},
      {"32-bit block longer than the file", 0, Count::kChar, 60'000},
  };
  for (const Case& c : cases) {
    auto bytes = BuildTzif(layout);
    SetCount(bytes, c.header, c.count, c.value);
    EXPECT_FALSE(ReadTzif(bytes).has_value()) << c.what;
  }
}

TEST(TzifReaderTest, RejectsBadFraming) {
  const auto good = BuildTzif(NewYorkLikeLayout());
  const std::size_t second = SecondHeaderOffset(NewYorkLikeLayout());
  ASSERT_TRUE(ReadTzif(good).has_value());

  auto bad_magic = good;
  bad_magic[0] = 'X';
  EXPECT_FALSE(ReadTzif(bad_magic).has_value());

  auto unknown_version = good;
  unknown_version[4] = unknown_version[second + 4] = '5';
  EXPECT_FALSE(ReadTzif(unknown_version).has_value());

  auto mismatched_versions = good;
  mismatched_versions[second + 4] = '3';
  EXPECT_FALSE(ReadTzif(mismatched_versions).has_value());

  auto trailing = good;
  trailing.push_back('x');
  EXPECT_FALSE(ReadTzif(trailing).has_value());

  auto no_leading_newline = good;
  no_leading_newline[no_leading_newline.size() - NewYorkLikeLayout().footer.size() - 2] = 'x';
  EXPECT_FALSE(ReadTzif(no_leading_newline).has_value());

  TzifLayout v1 = NewYorkLikeLayout();
  v1.version = '\0';
  auto v1_trailing = BuildTzif(v1);
  v1_trailing.push_back(0);
  EXPECT_FALSE(ReadTzif(v1_trailing).has_value());
}

// Whatever a corrupted file parses to, what comes back must be safe to use.
TEST(TzifReaderTest, CorruptedFilesParseToConsistentDataOrNothing) {
  const auto original = FileBytes(kZoneinfo / "Europe/Helsinki");
  ASSERT_FALSE(original.empty());
  int accepted = 0;
  for (std::size_t i = 0; i < original.size(); ++i) {
    for (const std::uint8_t value : {0x00, 0x01, 0x7f, 0x80, 0xff}) {
      auto bytes = original;
      bytes[i] = value;
      const auto tzif = ReadTzif(bytes);
      if (!tzif) continue;
      ++accepted;
      ASSERT_FALSE(tzif->types.empty());
      ASSERT_EQ(tzif->transition_times.size(), tzif->transition_types.size());
      for (std::size_t t = 0; t < tzif->transition_types.size(); ++t) {
        ASSERT_LT(tzif->transition_types[t], tzif->types.size());
        if (t > 0) {
          ASSERT_LT(tzif->transition_times[t - 1], tzif->transition_times[t]);
        }
      }
      ASSERT_EQ(tzif->footer.empty(), !tzif->footer_rule.has_value());
    }
  }
  // Most single-byte changes (in times, offsets within range) stay valid files.
  EXPECT_GT(accepted, 0);
}

// --- Reading from disk ------------------------------------------------------

class TzifFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("talvane_tzif_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::filesystem::path dir_;
};

TEST_F(TzifFileTest, RefusesFilesOverTheSizeCap) {
  // A valid file padded past the cap would be accepted if only its header counted.
  auto bytes = BuildTzif(NewYorkLikeLayout());
  EXPECT_TRUE(ReadTzifFile(Write("ok", bytes)).has_value());
  bytes.resize(kMaxTzifFileSize + 1, '\n');
  EXPECT_FALSE(ReadTzifFile(Write("big", bytes)).has_value());
}

TEST_F(TzifFileTest, MissingFileOrDirectoryIsNothing) {
  EXPECT_FALSE(ReadTzifFile(dir_ / "absent").has_value());
  EXPECT_FALSE(ReadTzifFile(dir_).has_value());
}

}  // namespace
}  // namespace talvane::tz
