// talvane-keeper: the only part of Talvane that changes the system time zone.
// The window, which runs as its user, starts it (through pkexec, unless the
// window is root) with standard input the window's end of their connection.
// With --recover it only puts back the setting of a preview whose keeper was
// killed or lost its power, as the boot does.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string_view>
#include <tuple>

#include "keeper/keeper_session.h"
#include "keeper/protocol/unique_fd.h"
#include "keeper/serve.h"

namespace {

// The keeper is small, and its end would leave a preview in force until the
// next start or boot: the kernel's out-of-memory killer is asked to spare it.
void AskToBeSpared() {
  const keeper::UniqueFd fd(open("/proc/self/oom_score_adj", O_WRONLY | O_CLOEXEC));
  if (fd) std::ignore = write(fd.get(), "-1000", 5);
}

bool IsPacketConnection(int fd) {
  int type = 0;
  socklen_t size = sizeof type;
  return getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) == 0 && type == SOCK_SEQPACKET;
}

}  // namespace

int main(int argc, char** argv) {
  if (geteuid() != 0) {
    std::fputs("talvane-keeper: only root may change the system time zone\n", stderr);
    return 1;
  }
  // Nothing of whoever started it steers what it does as root: no
  // environment, no descriptor but the three standard ones, and those open,
  // so that no file it opens is taken for standard output.
  clearenv();
  close_range(3, ~0U, 0);
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) != fd) return 1;
  }
  umask(022);
  if (chdir("/") != 0) return 1;
  // A window gone with its end of stderr must not end the keeper mid-change.
  std::signal(SIGPIPE, SIG_IGN);
  AskToBeSpared();

  const bool recover = argc == 2 && std::string_view(argv[1]) == "--recover";
  if (argc > 2 || (argc == 2 && !recover)) {
    std::fputs("usage: talvane-keeper [--recover]\n", stderr);
    return 2;
  }
  keeper::KeeperSession session(platform::SystemPaths{}, talvane::tz::SystemUtcClock());
  if (recover) return session.RollBack() ? 0 : 1;
  if (!IsPacketConnection(STDIN_FILENO)) {
    std::fputs("talvane-keeper: started by the talvane window only, on its connection\n", stderr);
    return 2;
  }
  return keeper::Serve(STDIN_FILENO, session);
}
