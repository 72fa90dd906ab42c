#include "tests/fakes/keeper_in_child.h"

#include <sys/socket.h>
#include <unistd.h>

#include "keeper/serve.h"

namespace fakes {

platform::linux_tz::KeeperLauncher KeeperInChild(platform::SystemPaths paths,
                                                 talvane::tz::UtcClock clock) {
  return [paths, clock]() -> platform::linux_tz::LaunchedKeeper {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
      close(ends[0]);
      keeper::KeeperSession session(paths, clock);
      _exit(keeper::Serve(ends[1], session));
    }
    close(ends[1]);
    return {keeper::UniqueFd(ends[0]), pid};
  };
}

}  // namespace fakes
