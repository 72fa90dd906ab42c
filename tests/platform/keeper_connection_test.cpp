#include "platform/linux/keeper_connection.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <future>

namespace {

using namespace std::chrono_literals;
using platform::linux_tz::KeeperConnection;
using platform::linux_tz::LaunchedKeeper;

TEST(KeeperConnection, GivesUpOnAKeeperThatNeverAnswersAndLetsItGo) {
  // Ready, then silent; the test holds its end. It starts once only.
  keeper::UniqueFd keeper_end;
  KeeperConnection connection(
      [&]() -> LaunchedKeeper {
        int ends[2];
        if (keeper_end || socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends) != 0) return {};
        keeper_end.Reset(ends[1]);
        const auto hello = keeper::Encode(keeper::Reply{.kind = keeper::MessageKind::kHello});
        EXPECT_EQ(send(ends[1], hello.data(), hello.size(), 0), std::ssize(hello));
        return {keeper::UniqueFd(ends[0]), -1};
      },
      300ms);

  ASSERT_TRUE(connection.Start());
  const auto start = std::chrono::steady_clock::now();
  auto call = std::async(std::launch::async, [&] {
    return connection.Call({.kind = keeper::MessageKind::kRead, .record = {}, .zone = {}});
  });
  // A call that waits on would hold the test too; a hang-up frees it.
  if (call.wait_for(5s) != std::future_status::ready) shutdown(keeper_end.get(), SHUT_RDWR);
  EXPECT_FALSE(call.get().has_value());
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 300ms);
  EXPECT_LT(waited, 2s);
  pollfd hung_up{keeper_end.get(), POLLIN, 0};
  ASSERT_EQ(poll(&hung_up, 1, 0), 1);
  EXPECT_TRUE(hung_up.revents & POLLHUP) << "the connection was kept";
}

}  // namespace
