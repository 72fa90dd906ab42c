// The keeper's life with one window: it says it is ready, puts back a dead
// preview, answers each request in turn, and when the connection ends,
// however the window ended, or TERM, INT or HUP arrives, puts back a preview
// still in force and returns. One thread, one loop, no signal handlers: the
// endings arrive through a signalfd, heard in every wait, the wait to send a
// reply included.
#pragma once

#include <chrono>

#include "keeper/keeper_session.h"

namespace keeper {

// A window that has not taken a reply within this time is taken for gone.
inline constexpr std::chrono::milliseconds kReplyTakenWithin{5000};

// Serves the window on the other end of `connection`, a SOCK_SEQPACKET
// socket. Returns the exit status: 0 when nothing of a preview was left in
// force, 1 when its way back could not be taken (it stays on disk).
int Serve(int connection, KeeperSession& session);

}  // namespace keeper
