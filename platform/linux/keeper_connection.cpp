#include "platform/linux/keeper_connection.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

extern char** environ;

namespace platform::linux_tz {
namespace {

constexpr char kPkexec[] = "/usr/bin/pkexec";
// Far longer than any request takes; a keeper silent for longer is stuck.
constexpr std::chrono::seconds kReplyTimeout{30};

enum class Outcome { kAnswered, kGone, kStuck };

// One reply from the keeper within `timeout_ms` (-1: however long it takes).
std::pair<Outcome, std::optional<keeper::Reply>> Receive(int connection, int timeout_ms) {
  pollfd ready{connection, POLLIN, 0};
  int polled;
  while ((polled = poll(&ready, 1, timeout_ms)) < 0 && errno == EINTR) {
  }
  if (polled <= 0) return {Outcome::kStuck, std::nullopt};
  std::uint8_t message[keeper::kMaxMessageSize];
  ssize_t size;
  while ((size = recv(connection, message, sizeof message, MSG_TRUNC)) < 0 && errno == EINTR) {
  }
  if (size <= 0) return {Outcome::kGone, std::nullopt};
  if (static_cast<std::size_t>(size) >= sizeof message) return {Outcome::kStuck, std::nullopt};
  return {Outcome::kAnswered, keeper::ParseReply(std::span<const std::uint8_t>(
                                  message, static_cast<std::size_t>(size)))};
}

std::string KeeperPath() {
  std::error_code ec;
  const std::filesystem::path beside =
      std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / "talvane-keeper";
  if (!ec && access(beside.c_str(), X_OK) == 0) return beside;
  return TALVANE_KEEPER_PATH;
}

}  // namespace

void KeeperConnection::Launch() {
  if (connection_) return;
  Drop(false);
  LaunchedKeeper launched = launch_();
  connection_ = std::move(launched.connection);
  pid_ = launched.pid;
}

bool KeeperConnection::Start() {
  Launch();
  if (!connection_) return false;
  if (ready_) return true;
  const std::optional<keeper::Reply> hello = Receive(connection_.get(), -1).second;
  ready_ =
      hello && hello->kind == keeper::MessageKind::kHello && hello->status == keeper::Status::kOk;
  if (!ready_) Drop(false);
  return ready_;
}

std::optional<keeper::Reply> KeeperConnection::Call(const keeper::Request& request) {
  const std::vector<std::uint8_t> message = keeper::Encode(request);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!Start()) return std::nullopt;
    Outcome outcome = Outcome::kGone;
    std::optional<keeper::Reply> reply;
    if (send(connection_.get(), message.data(), message.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(message.size())) {
      std::tie(outcome, reply) =
          Receive(connection_.get(), static_cast<int>(reply_timeout_.count()));
    }
    if (reply && reply->kind == request.kind) return reply;
    Drop(false);
    if (outcome != Outcome::kGone) return std::nullopt;
  }
  return std::nullopt;
}

void KeeperConnection::Withdraw() {
  if (ready_) return;
  // Until polkit has answered, pkexec runs as the window's user, who may end
  // it; its asking ends with it. A keeper it has already become ends with
  // the connection.
  if (pid_ > 0) kill(pid_, SIGTERM);
  Drop(false);
}

void KeeperConnection::Drop(bool wait) {
  connection_.Reset();
  ready_ = false;
  // Not waited for while the window runs: a keeper that stopped answering
  // must not stop the window too. It is a zombie at worst until then.
  if (pid_ > 0) {
    while (waitpid(pid_, nullptr, wait ? 0 : WNOHANG) < 0 && errno == EINTR) {
    }
  }
  pid_ = -1;
}

LaunchedKeeper LaunchKeeperProcess() {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return {};
  keeper::UniqueFd ours(ends[0]);
  const keeper::UniqueFd theirs(ends[1]);
  const std::string keeper = KeeperPath();
  std::vector<char*> argv;
  if (geteuid() != 0) argv.push_back(const_cast<char*>(kPkexec));
  argv.push_back(const_cast<char*>(keeper.c_str()));
  argv.push_back(nullptr);
  // pkexec closes every descriptor above the standard three, so the
  // connection is the keeper's standard input. The window's end is
  // close-on-exec: no other child of the window keeps the connection open.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, theirs.get(), STDIN_FILENO);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {};
  return {std::move(ours), pid};
}

KeeperConnection& ProcessKeeper() {
  static KeeperConnection keeper(LaunchKeeperProcess, kReplyTimeout);
  return keeper;
}

}  // namespace platform::linux_tz
