// Every zone of the system's tz database, this year: our reading of its file,
// and the record we make of it written back as a TZ string, both held against
// glibc reading the file itself, every hour of the year. Then every year from
// 2000 to 2040, from slim files as well as the host's fat ones.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tz/glibc_local_time.h"
#include "tz/civil_time.h"
#include "tz/tz_string.h"
#include "tz/tzif_reader.h"
#include "tz/tzif_timeline.h"
#include "tz/tzif_writer.h"
#include "tz/zone_names.h"
#include "tz/zone_year.h"

namespace talvane::tz {
namespace {

using testing::GlibcLocal;
using testing::GlibcLocalTime;
using testing::ScopedTz;

const char kZoneinfo[] = "/usr/share/zoneinfo/";

// Zone-years from 2000 to 2040 that no single yearly rule can describe, as
// "years: zones", each year marked with what happened in it: o, the offset at
// the year's end differs from its start; t, more than two changes of offset;
// n, an abbreviation or daylight flag changes where the offset does not. A
// year listed here must be reported as such, and every other year must fit.
const char* const kNoRuleYears[] = {
    "2000n: Pacific/Guam Pacific/Saipan", "2000n 2001o: America/Cambridge_Bay",
    "2000n 2007o 2008o: America/Argentina/Catamarca America/Argentina/Jujuy "
    "America/Argentina/La_Rioja America/Argentina/Mendoza America/Argentina/Rio_Gallegos "
    "America/Argentina/Salta America/Argentina/San_Juan America/Argentina/Ushuaia",
    "2000n 2007o 2008t 2009n: America/Argentina/San_Luis",
    "2000n 2007o 2009o: America/Argentina/Buenos_Aires America/Argentina/Cordoba "
    "America/Argentina/Tucuman",
    "2000o: America/Iqaluit America/Kentucky/Monticello Asia/Dili",
    "2000o 2001o: America/Rankin_Inlet", "2000o 2001o 2006o 2007o: America/Resolute",
    "2000o 2009o 2021o: Pacific/Fiji", "2000o 2017o: Africa/Khartoum", "2000o 2021o: Africa/Juba",
    "2000t: America/Boa_Vista",
    "2000t 2001o 2002o: America/Fortaleza America/Maceio America/Noronha America/Recife",
    "2002o 2016o 2017o: Pacific/Tongatapu", "2002t 2011o 2014o 2016o: Asia/Tomsk",
    "2003o: America/North_Dakota/New_Salem", "2003o 2004o 2019o: America/Cuiaba",
    "2003o 2011o 2012o: America/Bahia", "2003o 2012o 2013o: America/Araguaina",
    "2003t 2014o: Asia/Khandyga", "2004o: Asia/Aqtau Asia/Atyrau Asia/Oral",
    "2004o 2006o: America/Havana", "2004o 2015o: America/Montevideo", "2004o 2018o: Asia/Qyzylorda",
    "2004o 2024o: Asia/Qostanay", "2004t 2005o: Asia/Tbilisi", "2005n: Antarctica/Troll",
    "2005o: Asia/Bishkek", "2006o: America/Indiana/Knox America/Indiana/Tell_City Asia/Colombo",
    "2006o 2007o: America/Indiana/Petersburg America/Indiana/Vincennes America/Indiana/Winamac",
    "2006o 2009o: Australia/Eucla Australia/Perth", "2007o 2016o: America/Caracas",
    "2008o: America/Santarem", "2008o 2009o: Indian/Mauritius",
    "2008o 2013o: America/Eirunepe America/Rio_Branco", "2009o: Antarctica/Mawson",
    "2009o 2010o 2011o 2012o: Antarctica/Davis",
    "2009o 2010o 2011o 2012o 2016o 2023o: Antarctica/Casey", "2010n: Atlantic/Stanley",
    "2010o: America/Bahia_Banderas America/North_Dakota/Beulah",
    "2010o 2011o: Asia/Anadyr Asia/Kamchatka Asia/Novokuznetsk Europe/Samara",
    "2010o 2011t 2021o: Pacific/Apia", "2010t 2014t: Africa/Cairo",
    "2011o: Europe/Minsk Pacific/Fakaofo",
    // Russia: daylight time kept all year from March 2011, standard time from October 2014.
    "2011o 2014o: Asia/Irkutsk Asia/Krasnoyarsk Asia/Omsk Asia/Srednekolymsk Asia/Vladivostok "
    "Asia/Yakutsk Asia/Yekaterinburg Europe/Kaliningrad Europe/Kirov Europe/Moscow",
    "2011o 2014o 2016o: Asia/Barnaul Asia/Chita Asia/Magadan Asia/Novosibirsk Asia/Sakhalin "
    "Europe/Astrakhan Europe/Saratov Europe/Ulyanovsk",
    "2011o 2014o 2018o 2020o: Europe/Volgograd",
    // Palestine and Morocco leave their usual time for Ramadan; twice in a year
    // when Ramadan falls at both its ends (2029: until Feb 18 and from Dec 30).
    "2011t 2040t: Asia/Hebron", "2040t: Asia/Gaza",
    "2012t 2013t 2014t 2015t 2016t 2017t 2018t 2029t 2033t: Africa/Casablanca Africa/El_Aaiun",
    "2012o 2013o: Africa/Tripoli", "2012o 2013o 2022o: Asia/Amman",
    "2014o: Asia/Ust-Nera Europe/Simferopol Pacific/Bougainville",
    "2015o: America/Cancun America/Fort_Nelson", "2015o 2018o: America/Grand_Turk Asia/Pyongyang",
    "2015o 2018o 2019t: America/Metlakatla", "2015o 2019o: Pacific/Norfolk",
    "2016n: America/Punta_Arenas Antarctica/Palmer", "2016o: Europe/Istanbul",
    "2016o 2017o: Asia/Famagusta", "2018o 2019o: Africa/Sao_Tome",
    "2019o: America/Campo_Grande America/Sao_Paulo", "2020o: America/Dawson America/Whitehorse",
    "2022n: America/Ciudad_Juarez", "2022o: America/Chihuahua America/Ojinaga Asia/Damascus",
    "2023o: America/Nuuk Antarctica/Vostok", "2024n: America/Asuncion",
    "2024o: America/Scoresbysund Asia/Almaty", "2025n: America/Coyhaique"};

// Zone-years whose slim file, as the host's zic writes it, says something
// else than the fat one, with what.
const struct {
  int year;
  const char* zone;
  const char* reason;
} kSlimDiffers[] = {
    {2022, "America/Ojinaga",
     "the slim file leaves its footer in force from Oct 30, so the week to Nov 6 reads as CDT "
     "where the fat file and the law say CST"},
};

// The mark kNoRuleYears gives the zone's year, or 0 when it is not listed.
char NoRuleMark(const std::string& zone, int year) {
  for (const std::string_view row : kNoRuleYears) {
    const std::size_t colon = row.find(':');
    std::istringstream zones{std::string(row.substr(colon + 1))};
    if (std::find(std::istream_iterator<std::string>(zones), {}, zone) ==
        std::istream_iterator<std::string>()) {
      continue;
    }
    const std::size_t at = row.substr(0, colon).find(std::to_string(year));
    if (at != std::string_view::npos) return row[at + 4];
  }
  return 0;
}

char Mark(Fit fit) {
  return fit == Fit::kOffsetChange ? 'o' : fit == Fit::kTooManyChanges ? 't' : 'n';
}

// The mark glibc's hours of a year call for, judging by offsets alone.
char MarkOfOffsets(std::span<const GlibcLocal> hours) {
  int changes = 0;
  for (std::size_t i = 1; i < hours.size(); ++i) changes += hours[i].gmtoff != hours[i - 1].gmtoff;
  if (changes > 2) return 't';
  return hours.front().gmtoff != hours.back().gmtoff ? 'o' : 'n';
}

// TALVANE_SWEEP_YEAR=2030 sweeps another year, to see what the list will need.
int SweepYear() {
  if (const char* year = std::getenv("TALVANE_SWEEP_YEAR")) return std::atoi(year);
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

TEST(GlibcSweepTest, EveryZoneThisYear) {
  const int year = SweepYear();
  const std::int64_t from = YearStart(year);
  const std::int64_t to = YearStart(year + 1);
  const std::vector<std::string> zones = talvane::tz::ListZoneNames(kZoneinfo);
  ASSERT_GT(zones.size(), 300u) << "tzdata.zi missing or unreadable";

  int matched = 0;
  for (const std::string& zone : zones) {
    SCOPED_TRACE(zone);
    const auto tzif = ReadTzifFile(kZoneinfo + zone);
    ASSERT_TRUE(tzif.has_value());
    const auto zy = ZoneRecordForYear(*tzif, year);
    ASSERT_TRUE(zy.has_value());
    const auto tz = PosixTzFromRecord(ToTimeZoneInformation(zy->record));
    ASSERT_TRUE(tz.has_value());

    std::vector<GlibcLocal> from_file;
    {
      ScopedTz env(":" + zone);
      for (std::int64_t t = from; t < to; t += 3600) from_file.push_back(GlibcLocalTime(t));
    }

    // Our reading of the file.
    std::size_t i = 0;
    for (std::int64_t t = from; t < to; t += 3600, ++i) {
      const LocalTimeType& ours = LocalTypeAt(*tzif, t);
      ASSERT_EQ((GlibcLocal{ours.utoff, ours.abbr}), from_file[i]) << "reading the file, at " << t;
    }

    // The record, as a TZ string.
    std::string first_mismatch;
    {
      ScopedTz env(*tz);
      i = 0;
      for (std::int64_t t = from; t < to && first_mismatch.empty(); t += 3600, ++i) {
        const GlibcLocal from_string = GlibcLocalTime(t);
        if (from_string != from_file[i]) {
          std::ostringstream os;
          os << "at " << t << " the file gives " << from_file[i] << ", \"" << *tz << "\" gives "
             << from_string;
          first_mismatch = os.str();
        }
      }
    }

    if (NoRuleMark(zone, year) != 0) {
      EXPECT_FALSE(first_mismatch.empty()) << "listed as needing more than one rule but \"" << *tz
                                           << "\" now matches every hour; update the list";
      EXPECT_NE(zy->fit, Fit::kExact) << "listed, yet reported as fitting one rule";
    } else {
      EXPECT_TRUE(first_mismatch.empty()) << first_mismatch << " (fit: " << FitName(zy->fit) << ")";
      EXPECT_EQ(zy->fit, Fit::kExact) << FitName(zy->fit) << ", yet \"" << *tz << "\" matches";
      if (first_mismatch.empty()) ++matched;
    }
  }
  std::cout << "[ sweep    ] " << year << ": " << matched << " of " << zones.size()
            << " zones keep glibc's time every hour as one yearly rule\n";
}

// Many distributions ship slim files (zic's default since 2020): they list
// transitions only until the footer's rule takes over, so from there the rule
// code alone makes the record, where Debian's fat files list them up to 2037.
// The registry's TZI, Std and Dlt and GetTimeZoneInformation's record are the
// zone-year's record, so both trees must give the same ones; and where it fits
// the year, the setting written from it must keep glibc's time every hour.
TEST(GlibcSweepTest, SlimAndFatFilesGiveTheSameRecordsEveryYearTo2040) {
  constexpr int kFirstYear = 2000;
  constexpr int kLastYear = 2040;
  const auto started = std::chrono::steady_clock::now();
  const struct TempDir {
    std::filesystem::path path;
    ~TempDir() { std::filesystem::remove_all(path); }
  } temp{std::filesystem::temp_directory_path() / ("talvane_slim_" + std::to_string(getpid()))};
  const std::filesystem::path& dir = temp.path;
  std::filesystem::create_directories(dir);
  const std::string zic = "PATH=$PATH:/usr/sbin zic -b slim -d " + (dir / "slim").string() + " " +
                          kZoneinfo + "tzdata.zi";
  ASSERT_EQ(std::system(zic.c_str()), 0) << zic;
  const std::vector<std::string> zones = talvane::tz::ListZoneNames(kZoneinfo);
  ASSERT_GT(zones.size(), 300u);

  const std::int64_t from = YearStart(kFirstYear);
  // glibc's reading of each setting written, by TZ string and year, as runs:
  // (first hour, local time) pairs.
  std::map<std::pair<std::string, int>, std::vector<std::pair<std::size_t, GlibcLocal>>> settings;
  long hours_compared = 0;
  int years_fitting = 0;
  for (const std::string& zone : zones) {
    SCOPED_TRACE(zone);
    const auto fat = ReadTzifFile(kZoneinfo + zone);
    const auto slim = ReadTzifFile(dir / "slim" / zone);
    ASSERT_TRUE(fat.has_value() && slim.has_value());
    std::vector<GlibcLocal> glibc;
    {
      ScopedTz env(":" + zone);
      for (std::int64_t t = from; t < YearStart(kLastYear + 1); t += 3600) {
        glibc.push_back(GlibcLocalTime(t));
      }
    }
    for (int year = kFirstYear; year <= kLastYear; ++year) {
      SCOPED_TRACE(year);
      const std::int64_t begin = YearStart(year);
      const auto hours =
          std::span(glibc).subspan(static_cast<std::size_t>((begin - from) / 3600),
                                   static_cast<std::size_t>((YearStart(year + 1) - begin) / 3600));
      const auto fat_year = ZoneRecordForYear(*fat, year);
      const auto slim_year = ZoneRecordForYear(*slim, year);
      const ZoneRecord& record = fat_year->record;
      if (std::none_of(std::begin(kSlimDiffers), std::end(kSlimDiffers),
                       [&](const auto& e) { return e.year == year && zone == e.zone; })) {
        EXPECT_EQ(std::memcmp(&record.tzi, &slim_year->record.tzi, sizeof record.tzi), 0);
        EXPECT_EQ(record.std_name, slim_year->record.std_name);
        EXPECT_EQ(record.dlt_name, slim_year->record.dlt_name);
        EXPECT_EQ(fat_year->fit, slim_year->fit);
        for (const std::int64_t t : {begin + 14 * kSecondsPerDay, begin + 195 * kSecondsPerDay}) {
          EXPECT_EQ(CurrentZoneId(*fat, t), CurrentZoneId(*slim, t)) << "at " << t;
        }
      } else {
        // Where the slim file says something else, it is read as glibc reads it.
        EXPECT_NE(fat_year->fit, slim_year->fit)
            << FitName(fat_year->fit) << ": listed, yet no longer differs";
        ScopedTz env(std::string(":").append((dir / "slim" / zone).string()));
        for (std::int64_t t = begin; t < YearStart(year + 1); t += 3600) {
          const LocalTimeType& ours = LocalTypeAt(*slim, t);
          ASSERT_EQ((GlibcLocal{ours.utoff, ours.abbr}), GlibcLocalTime(t)) << "at " << t;
        }
      }
      if (fat_year->fit != Fit::kExact) {
        EXPECT_EQ(NoRuleMark(zone, year), Mark(fat_year->fit)) << FitName(fat_year->fit);
        EXPECT_EQ(MarkOfOffsets(hours), Mark(fat_year->fit)) << "glibc sees otherwise";
        continue;
      }
      EXPECT_EQ(NoRuleMark(zone, year), 0) << "listed, yet one rule fits the year";
      const auto tz = PosixTzFromRecord(ToTimeZoneInformation(record));
      ASSERT_TRUE(tz.has_value());
      auto [setting, fresh] = settings.try_emplace({*tz, year});
      if (fresh) {
        const auto bytes = MakeFooterOnlyTzif(*tz);
        ASSERT_TRUE(bytes.has_value());
        const auto file = dir / std::to_string(settings.size());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes->data()),
                   static_cast<std::streamsize>(bytes->size()));
        ScopedTz env(std::string(":").append(file.string()));
        for (std::size_t i = 0; i < hours.size(); ++i) {
          const GlibcLocal local = GlibcLocalTime(begin + static_cast<std::int64_t>(i) * 3600);
          if (setting->second.empty() || setting->second.back().second != local) {
            setting->second.emplace_back(i, local);
          }
        }
      }
      const auto& runs = setting->second;
      for (std::size_t i = 0, run = 0; i < hours.size(); ++i) {
        if (run + 1 < runs.size() && runs[run + 1].first == i) ++run;
        if (runs[run].second == hours[i]) continue;
        ADD_FAILURE() << "at " << begin + static_cast<std::int64_t>(i) * 3600 << " the file gives "
                      << hours[i] << ", the setting written as \"" << *tz << "\" "
                      << runs[run].second;
        break;
      }
      hours_compared += static_cast<long>(hours.size());
      ++years_fitting;
    }
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
  std::cout << "[ sweep    ] " << zones.size() << " zones x " << kLastYear - kFirstYear + 1
            << " years: " << years_fitting << " zone-years fit one rule, " << hours_compared
            << " hours of their settings (" << settings.size()
            << " distinct) held against glibc, in " << took.count() << " s\n";
}

}  // namespace
}  // namespace talvane::tz
