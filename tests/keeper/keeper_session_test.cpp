// The keeper trusts nothing that comes over the connection: what is not a
// well-formed request of this version, a zone that is not the tz database's
// own, or a record that is not the zone's, is refused, and the setting stays
// exactly as it was.
#include "keeper/keeper_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "keeper/protocol/keeper_protocol.h"
#include "keeper/system_setting.h"
#include "tests/fakes/zoneinfo_tree.h"

namespace {

namespace fs = std::filesystem;
using keeper::Status;

TEST(KeeperSessionTest, RefusesAnythingButItsOwnRequestsForTheDatabasesZones) {
  fakes::ZoneinfoTree tree;
  tree.CopyHostZone("Asia/Tokyo");
  tree.CopyHostZone("Europe/Helsinki");
  // A link in the database that leads out of it, to a zone file of its own.
  fs::create_symlink(tree.root(), tree.paths().zoneinfo_dir / "Out");
  fs::copy_file(tree.paths().zoneinfo_dir / "Asia/Tokyo", tree.root() / "Tokyo");
  fs::create_symlink("../zoneinfo/Europe/Helsinki", tree.paths().localtime);
  const auto before = keeper::ReadSetting(tree.paths().localtime);
  keeper::Request tokyo{.kind = keeper::MessageKind::kApply, .record = {}, .zone = "Asia/Tokyo"};
  tokyo.record.Bias = -540;
  std::memcpy(tokyo.record.StandardName, u"JST", sizeof u"JST");
  std::memcpy(tokyo.record.DaylightName, u"JST", sizeof u"JST");
  auto apply = [&](std::string zone, void (*change)(win::TIME_ZONE_INFORMATION&) = nullptr) {
    keeper::Request request = tokyo;
    request.zone = std::move(zone);
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
           {"a link out of the database", apply("Out/Tokyo"), Status::kFailed},
           {"no such zone", apply("Nowhere/City"), Status::kFailed},
           {"another zone's record", apply("Asia/Tokyo", [](auto& r) { r.Bias = -600; }),
            Status::kFailed},
           {"the zone's own record", apply("Asia/Tokyo"), Status::kOk},
       }) {
    SCOPED_TRACE(what);
    keeper::KeeperSession session(tree.paths(), [] { return 1784073600; });  // 2026-07-15
    EXPECT_EQ(keeper::ParseReply(session.Handle(message))->status, expected);
    EXPECT_EQ(keeper::ReadSetting(tree.paths().localtime) != before, expected == Status::kOk);
    EXPECT_TRUE(session.Restore());
    EXPECT_EQ(keeper::ReadSetting(tree.paths().localtime), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(tree.paths().localtime.parent_path()), {}), 1)
        << "the lock is let go, and nothing else is left";
  }
}

}  // namespace
