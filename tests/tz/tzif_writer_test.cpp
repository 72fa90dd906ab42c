#include "tz/tzif_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "tests/tz/glibc_local_time.h"
#include "tz/tzif_reader.h"
#include "tz/tzif_timeline.h"

namespace talvane::tz {
namespace {

using testing::GlibcLocal;
using testing::GlibcLocalTime;
using testing::ScopedTz;
using testing::Utc;

struct WriterCase {
  const char* zone;
  const char* tz;
  int version;
};

const WriterCase kCases[] = {
    {"America/New_York", "EST5EDT,M3.2.0,M11.1.0", 2},
    {"Europe/Dublin", "IST-1GMT0,M10.5.0,M3.5.0/1", 2},
    {"America/Santiago", "<-04>4<-03>,M9.1.6/24,M4.1.6/24", 2},
    {"Australia/Lord_Howe", "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", 2},
    {"Pacific/Chatham", "<+1245>-12:45<+1345>,M9.5.0/2:45,M4.1.0/3:45", 2},
    {"Asia/Kolkata", "IST-5:30", 2},
    // Rule times past 24 h or negative need version 3.
    {"Asia/Jerusalem", "IST-2IDT,M3.4.4/26,M10.5.0", 3},
    {"America/Nuuk", "<-02>2<-01>,M3.5.0/-1,M10.5.0/0", 3},
    {"Asia/Gaza", "EET-2EEST,M3.4.4/50,M10.4.4/50", 3},
    {"(the widest rule times)", "<+0330>-3:30<+0430>,M3.5.2/-167,M4.5.4/167", 3},
};

TEST(TzifWriterTest, OurReaderReadsWhatWeWrite) {
  for (const WriterCase& c : kCases) {
    SCOPED_TRACE(c.zone);
    const auto bytes = MakeFooterOnlyTzif(c.tz);
    ASSERT_TRUE(bytes.has_value());
    const auto tzif = ReadTzif(*bytes);
    ASSERT_TRUE(tzif.has_value());
    EXPECT_EQ(tzif->version, c.version);
    EXPECT_EQ(tzif->footer, c.tz);
    ASSERT_EQ(tzif->types.size(), 1u);
    EXPECT_FALSE(tzif->types[0].is_dst);
    EXPECT_EQ(tzif->types[0], ParsePosixTz(c.tz)->std_type);
  }
}

TEST(TzifWriterTest, RefusesStringsThatDoNotParse) {
  EXPECT_FALSE(MakeFooterOnlyTzif("").has_value());
  EXPECT_FALSE(MakeFooterOnlyTzif("EST5EDT").has_value());
  EXPECT_FALSE(MakeFooterOnlyTzif("EST5\nEST5").has_value());
}

// glibc reading the file must keep the same time as glibc reading the string,
// every hour of two years.
TEST(TzifWriterTest, GlibcReadsTheFileAsTheString) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("talvane_tzif_writer_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::int64_t from = Utc("2026-01-01 00:00:00");
  const std::int64_t to = Utc("2028-01-01 00:00:00");
  for (const WriterCase& c : kCases) {
    SCOPED_TRACE(c.zone);
    const auto bytes = MakeFooterOnlyTzif(c.tz);
    ASSERT_TRUE(bytes.has_value());
    const auto path = dir / "zone";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes->data()),
               static_cast<std::streamsize>(bytes->size()));

    std::vector<GlibcLocal> from_string;
    {
      ScopedTz env(c.tz);
      for (std::int64_t t = from; t < to; t += 3600) from_string.push_back(GlibcLocalTime(t));
    }
    std::string tz_file = ":";
    tz_file += path.string();
    ScopedTz env(tz_file);
    std::size_t i = 0;
    int daylight_hours = 0;
    for (std::int64_t t = from; t < to; t += 3600, ++i) {
      const GlibcLocal from_file = GlibcLocalTime(t);
      ASSERT_EQ(from_file, from_string[i]) << "at " << t;
      if (from_file.gmtoff != ParsePosixTz(c.tz)->std_type.utoff) ++daylight_hours;
    }
    // Zones with a rule must actually have left standard time.
    EXPECT_EQ(daylight_hours > 0, ParsePosixTz(c.tz)->dst_type.has_value());
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace talvane::tz
