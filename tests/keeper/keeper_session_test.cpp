// The keeper trusts nothing that comes over the connection: what is not a
// well-formed request of this version, a zone the window does not list, or a
// record that is not the zone's, is refused, and the setting stays exactly
// as it was.
#include "keeper/keeper_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "keeper/protocol/keeper_protocol.h"
#include "tests/fakes/zoneinfo_tree.h"
#include "tz/tzif_reader.h"
#include "tz/zone_year.h"

namespace {

namespace fs = std::filesystem;
using keeper::Status;

TEST(KeeperSessionTest, RefusesAnythingButItsOwnRequestsForTheListedZones) {
  fakes::ZoneinfoTree tree;
  const fs::path& zoneinfo = tree.paths().zoneinfo_dir;
  tree.CopyHostZone("Asia/Tokyo");
  tree.CopyHostZone("Europe/Helsinki");
  // The database's files that are no place of its list, each with a record
  // of its own that is Tokyo's or, through the setting, Helsinki's.
  for (const char* other : {"posixrules", "Factory", "posix/Asia/Tokyo", "right/Asia/Tokyo"}) {
    tree.AddFile(other, "");
    fs::copy_file(zoneinfo / "Asia/Tokyo", zoneinfo / other, fs::copy_options::overwrite_existing);
  }
  fs::create_symlink(tree.paths().localtime, zoneinfo / "localtime");
  // A listed name whose link leads out of the database, to a zone file.
  fs::create_symlink(tree.root(), zoneinfo / "Out");
  fs::copy_file(zoneinfo / "Asia/Tokyo", tree.root() / "Tokyo");
  tree.WriteTzdataZi({"Asia/Tokyo", "Europe/Helsinki", "Factory", "Out/Tokyo"});
  fs::create_symlink("../zoneinfo/Europe/Helsinki", tree.paths().localtime);
  const std::string before = fakes::FileState(tree.paths().localtime);
  auto own_record = [&](const char* zone) {
    const auto year =
        talvane::tz::ZoneRecordForYear(*talvane::tz::ReadTzifFile(zoneinfo / zone), 2026);
    return talvane::tz::PreviewRecordOf(year->record);
  };
  auto apply = [&](std::string zone, void (*change)(win::TIME_ZONE_INFORMATION&) = nullptr,
                   const char* record_of = "Asia/Tokyo") {
    keeper::Request request{.kind = keeper::MessageKind::kSet,
                            .record = own_record(record_of),
                            .zone = std::move(zone)};
    if (change != nullptr) change(request.record);
    return keeper::Encode(request);
  };
  auto read_with = [](std::size_t at, std::uint8_t value, std::size_t size = 8) {
    std::vector<std::uint8_t> message = keeper::Encode(keeper::Request{});
    message.resize(size);
    message[at] = value;
    return message;
  };
  std::vector<std::uint8_t> short_apply = apply("Asia/Tokyo");
  short_apply.pop_back();
  for (const auto& [what, message, expected] :
       std::vector<std::tuple<const char*, std::vector<std::uint8_t>, Status>>{
           {"nothing", {}, Status::kMalformed},
           {"a hello", keeper::Encode(keeper::Reply{}), Status::kMalformed},
           {"another version", read_with(4, 9), Status::kMalformed},
           {"an unknown kind", read_with(6, 9), Status::kMalformed},
           {"a byte too many", read_with(8, 0, 9), Status::kMalformed},
           {"a byte too few", short_apply, Status::kMalformed},
           {"a path up", apply("Asia/../../etc/passwd"), Status::kMalformed},
           {"an absolute path", apply("/etc/shadow"), Status::kMalformed},
           {"an empty component", apply("Asia//Tokyo"), Status::kMalformed},
           {"an hour of 24",
            apply("", [](auto& r) { r.StandardDate = {0, 10, 0, 5, 24, 0, 0, 0}; }),
            Status::kMalformed},
           {"a bias over a day", apply("", [](auto& r) { r.Bias = 24 * 60 + 1; }),
            Status::kMalformed},
           {"a name without its end",
            apply("", [](auto& r) { std::fill_n(r.StandardName, 32, u'J'); }), Status::kMalformed},
           {"a standard bias over a day", apply("", [](auto& r) { r.StandardBias = 24 * 60 + 1; }),
            Status::kMalformed},
           {"a daylight bias over a day", apply("", [](auto& r) { r.DaylightBias = -24 * 60 - 1; }),
            Status::kMalformed},
           {"a link out of the database", apply("Out/Tokyo"), Status::kFailed},
           {"no such zone", apply("Nowhere/City"), Status::kFailed},
           {"localtime", apply("localtime", nullptr, "Europe/Helsinki"), Status::kFailed},
           {"posixrules", apply("posixrules"), Status::kFailed},
           {"posix/", apply("posix/Asia/Tokyo"), Status::kFailed},
           {"right/", apply("right/Asia/Tokyo"), Status::kFailed},
           {"Factory", apply("Factory"), Status::kFailed},
           {"another zone's bias", apply("Asia/Tokyo", [](auto& r) { r.Bias = -600; }),
            Status::kFailed},
           {"another zone's dates",
            apply("Asia/Tokyo", [](auto& r) { r.StandardDate = {0, 10, 0, 5, 3, 0, 0, 0}; }),
            Status::kFailed},
           {"another zone's name",
            apply("Asia/Tokyo",
                  [](auto& r) { std::memcpy(r.StandardName, u"KST", sizeof u"KST"); }),
            Status::kFailed},
           {"the zone's own record", apply("Asia/Tokyo"), Status::kOk},
       }) {
    SCOPED_TRACE(what);
    keeper::KeeperSession session(tree.paths(), [] { return 1784073600; });  // 2026-07-15
    ASSERT_EQ(keeper::ParseReply(session.Handle(keeper::Encode(keeper::Request{})))->status,
              Status::kOk);
    EXPECT_EQ(keeper::ParseReply(session.Handle(message))->status, expected);
    EXPECT_EQ(fakes::FileState(tree.paths().localtime) != before, expected == Status::kOk);
    EXPECT_TRUE(session.RollBack());
    EXPECT_EQ(fakes::FileState(tree.paths().localtime), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(tree.paths().localtime.parent_path()), {}), 1)
        << "the lock is let go, and nothing else is left";
  }
}

}  // namespace
