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
using keeper::MessageKind;
using keeper::Status;

constexpr std::int64_t k2026Jul15 = 1784073600;

std::vector<std::uint8_t> Apply(const std::string& zone, const win::TIME_ZONE_INFORMATION& r) {
  return keeper::Encode(keeper::Request{.kind = MessageKind::kApply, .record = r, .zone = zone});
}

TEST(KeeperSessionTest, RefusesAnythingButItsOwnRequestsForTheDatabasesZones) {
  fakes::ZoneinfoTree tree;
  tree.CopyHostZone("Europe/Helsinki");
  tree.CopyHostZone("Asia/Tokyo");
  // A link in the database that leads out of it, to a zone file of its own.
  fs::create_symlink(tree.root(), tree.paths().zoneinfo_dir / "Out");
  fs::copy_file(tree.paths().zoneinfo_dir / "Asia/Tokyo", tree.root() / "Tokyo");
  fs::create_symlink("../zoneinfo/Europe/Helsinki", tree.paths().localtime);
  const auto before = keeper::ReadSetting(tree.paths().localtime);
  win::TIME_ZONE_INFORMATION tokyo{};
  tokyo.Bias = -540;
  std::memcpy(tokyo.StandardName, u"JST", sizeof u"JST");
  std::memcpy(tokyo.DaylightName, u"JST", sizeof u"JST");
  auto with = [&](auto change) {
    win::TIME_ZONE_INFORMATION r = tokyo;
    change(r);
    return r;
  };
  const std::vector<std::uint8_t> read = keeper::Encode(keeper::Request{});
  auto read_as = [&](std::size_t at, std::uint8_t value) {
    std::vector<std::uint8_t> message = read;
    message[at] = value;
    return message;
  };
  std::vector<std::uint8_t> long_read = read, short_apply = Apply("Asia/Tokyo", tokyo);
  long_read.push_back(0);
  short_apply.pop_back();

  struct Case {
    const char* what;
    std::vector<std::uint8_t> message;
    Status expected;
  };
  for (const Case& c : std::vector<Case>{
           {"nothing", {}, Status::kMalformed},
           {"a hello", keeper::Encode(keeper::Reply{}), Status::kMalformed},
           {"another magic", read_as(0, 'X'), Status::kMalformed},
           {"another version", read_as(4, 9), Status::kMalformed},
           {"an unknown kind", read_as(6, 9), Status::kMalformed},
           {"a byte too many", long_read, Status::kMalformed},
           {"a byte too few", short_apply, Status::kMalformed},
           {"a path up", Apply("Asia/../../etc/passwd", tokyo), Status::kMalformed},
           {"an absolute path", Apply("/etc/shadow", tokyo), Status::kMalformed},
           {"a hidden file", Apply(".localtime.talvane-lock", tokyo), Status::kMalformed},
           {"an empty component", Apply("Asia//Tokyo", tokyo), Status::kMalformed},
           {"a control character", Apply("Asia/Tok\nyo", tokyo), Status::kMalformed},
           {"an hour of 24",
            Apply("", with([](auto& r) { r.StandardDate = {0, 10, 0, 5, 24, 0, 0, 0}; })),
            Status::kMalformed},
           {"a bias over a day", Apply("", with([](auto& r) { r.Bias = 24 * 60 + 1; })),
            Status::kMalformed},
           {"a name without its end",
            Apply("", with([](auto& r) { std::fill_n(r.StandardName, 32, u'J'); })),
            Status::kMalformed},
           {"a link out of the database", Apply("Out/Tokyo", tokyo), Status::kFailed},
           {"no such zone", Apply("Nowhere/City", tokyo), Status::kFailed},
           {"another zone's record", Apply("Europe/Helsinki", tokyo), Status::kFailed},
       }) {
    SCOPED_TRACE(c.what);
    keeper::KeeperSession session(tree.paths(), [] { return k2026Jul15; });
    const auto reply = keeper::ParseReply(session.Handle(c.message));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, c.expected);
    EXPECT_EQ(keeper::ReadSetting(tree.paths().localtime), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(tree.paths().localtime.parent_path()), {}), 1)
        << "the lock is let go, and nothing else is left";
  }
  // And the zone's own record, to show the cases above fail for their fault.
  keeper::KeeperSession session(tree.paths(), [] { return k2026Jul15; });
  EXPECT_EQ(keeper::ParseReply(session.Handle(Apply("Asia/Tokyo", tokyo)))->status, Status::kOk);
  EXPECT_EQ(fs::read_symlink(tree.paths().localtime), "../zoneinfo/Asia/Tokyo");
  EXPECT_TRUE(session.Restore());
  EXPECT_EQ(keeper::ReadSetting(tree.paths().localtime), before);
}

}  // namespace
