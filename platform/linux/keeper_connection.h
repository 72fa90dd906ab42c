// The window's end of its connection to the keeper, the root program that
// alone changes the system setting (keeper/). The keeper is started at the
// first need: by root directly, by anyone else through pkexec, which asks for
// an administrator's password. A preview lasts no longer than the
// connection: when it ends, however the window ended, the keeper puts the
// setting back.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>

#include "keeper/protocol/keeper_protocol.h"
#include "keeper/protocol/unique_fd.h"

namespace platform::linux_tz {

struct LaunchedKeeper {
  keeper::UniqueFd connection;  // none when nothing could be started
  pid_t pid = -1;
};

// Starts a keeper on the other end of a new connection.
using KeeperLauncher = std::function<LaunchedKeeper()>;

class KeeperConnection {
 public:
  // A keeper silent for `reply_timeout` after a request is stuck.
  KeeperConnection(KeeperLauncher launch, std::chrono::milliseconds reply_timeout)
      : launch_(std::move(launch)), reply_timeout_(reply_timeout) {}
  // Waits for the keeper to have put back whatever it held.
  ~KeeperConnection() { Drop(true); }
  KeeperConnection(const KeeperConnection&) = delete;
  KeeperConnection& operator=(const KeeperConnection&) = delete;

  // Starts a keeper if none runs, without waiting for it to be ready, so
  // that its start overlaps the window's.
  void Launch();
  // The connection of a launched keeper that has not yet said it is ready:
  // readable once it is ready, or pkexec was refused or could not ask, so
  // that Start() then answers at once. -1 when no keeper is awaited.
  int AwaitedReady() const { return ready_ ? -1 : connection_.get(); }
  // Ends a launched keeper that has not said it is ready, and the pkexec
  // still asking for it.
  void Withdraw();
  // True once a keeper has said it is ready, starting one if none is. Waits
  // for as long as an administrator takes to answer pkexec. False when none
  // could be started: no pkexec, or authorisation refused or cancelled.
  bool Start();
  // The keeper's answer, starting it first if need be. A keeper found gone
  // is started again once. nullopt when there is none, or it did not answer
  // in time or as the protocol says: then it is let go, which makes it put
  // back whatever it held.
  std::optional<keeper::Reply> Call(const keeper::Request& request);

 private:
  // Ends the connection, which ends the keeper, and reaps it: `wait` for it
  // to end, or only if it already has.
  void Drop(bool wait);

  KeeperLauncher launch_;
  std::chrono::milliseconds reply_timeout_;
  keeper::UniqueFd connection_;
  bool ready_ = false;
  pid_t pid_ = -1;
};

// The installed keeper, or the one beside the running program (as in a build
// tree): started directly by root, through pkexec by anyone else.
LaunchedKeeper LaunchKeeperProcess();

// The connection the registry and the system services of this process share.
KeeperConnection& ProcessKeeper();

}  // namespace platform::linux_tz
