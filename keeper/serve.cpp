#include "keeper/serve.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>

#include <cerrno>

#include "keeper/protocol/keeper_protocol.h"
#include "keeper/protocol/unique_fd.h"

namespace keeper {
namespace {

// Sends without blocking: while the window does not take the reply, the
// keeper waits for room, for a signal, or until the window is taken for gone.
bool Send(int connection, int signals, const std::vector<std::uint8_t>& message) {
  for (;;) {
    const ssize_t sent =
        send(connection, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent == static_cast<ssize_t>(message.size())) return true;
    if (sent >= 0 || (errno != EAGAIN && errno != EINTR)) return false;
    pollfd ready[2] = {{connection, POLLOUT, 0}, {signals, POLLIN, 0}};
    const int polled = poll(ready, 2, static_cast<int>(kReplyTakenWithin.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0 || ready[1].revents != 0 || (ready[0].revents & POLLOUT) == 0) return false;
  }
}

}  // namespace

int Serve(int connection, KeeperSession& session) {
  sigset_t endings;
  sigemptyset(&endings);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&endings, s);
  sigprocmask(SIG_BLOCK, &endings, nullptr);
  const UniqueFd signals(signalfd(-1, &endings, SFD_CLOEXEC));
  if (!signals) return session.RollBack() ? 0 : 1;

  // Ready first: the window goes on with its start while a dead preview's
  // way back is taken, before any request of the window is read.
  bool open = Send(connection, signals.get(),
                   Encode(Reply{.kind = MessageKind::kHello, .status = Status::kOk}));
  session.RollBack();
  while (open) {
    pollfd ready[2] = {{connection, POLLIN, 0}, {signals.get(), POLLIN, 0}};
    if (poll(ready, 2, -1) < 0) {
      open = errno == EINTR;
      continue;
    }
    if (ready[1].revents != 0) break;
    if ((ready[0].revents & POLLIN) == 0) break;  // hung up, or an error
    std::uint8_t message[kMaxMessageSize];
    // MSG_TRUNC: the packet's whole length, so one too long is seen as such.
    const ssize_t size = recv(connection, message, sizeof message, MSG_TRUNC | MSG_DONTWAIT);
    if (size < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (size <= 0) break;
    const std::size_t length = static_cast<std::size_t>(size);
    open =
        Send(connection, signals.get(),
             session.Handle(length < sizeof message ? std::span<const std::uint8_t>(message, length)
                                                    : std::span<const std::uint8_t>()));
  }
  return session.RollBack() ? 0 : 1;
}

}  // namespace keeper
