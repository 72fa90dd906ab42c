#include "platform/linux/exit_restore.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform::linux_tz {
namespace {

ArmedPreview g_preview;
char g_lock_file[PATH_MAX];
// Written only after the storage they guard, with release order, so a handler
// that sees them set sees the storage whole. Lock-free, hence signal-safe.
std::atomic<bool> g_armed{false};
std::atomic<bool> g_lock_published{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void SayToStderr(const char* text) {
  const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
  (void)ignored;
}

// Async-signal-safe.
void RestoreIfArmed() {
  if (g_armed.exchange(false, std::memory_order_acquire)) {
    bool back = true;
    for (int i = 0; i < g_preview.file_count; ++i) {
      const WayBackPaths& paths = g_preview.files[i];
      if (TakeWayBack(paths, &g_preview.applied[i]) == WayBackResult::kFailed) back = false;
      SyncDirectoryOf(paths.file);
    }
    if (back) {
      unlink(g_preview.applied_record);
    } else {
      SayToStderr(
          "talvane: could not restore the original time zone; the next start of "
          "talvane restores it\n");
    }
  }
  if (g_lock_published.exchange(false, std::memory_order_acquire)) unlink(g_lock_file);
}

void RestoreAndDie(int signal_number) {
  const int saved_errno = errno;
  RestoreIfArmed();
  errno = saved_errno;
  // The handler was reset to the default on entry, and the signal is blocked
  // until the handler returns: then this ends the process as it would have.
  raise(signal_number);
}

std::vector<int> MakeRestoringSignals() {
  std::vector<int> signals = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT,
                              SIGBUS,  SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGPIPE,
                              SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGXFSZ, SIGVTALRM,
                              SIGPROF, SIGIO,   SIGPWR,    SIGSYS};
  // The real-time signals glibc leaves to programs end one by default too.
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) signals.push_back(s);
  return signals;
}

}  // namespace

void ArmExitRestore(const ArmedPreview& preview) {
  g_armed.store(false, std::memory_order_relaxed);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_preview = preview;
  g_armed.store(true, std::memory_order_release);
}

void DisarmExitRestore() { g_armed.store(false, std::memory_order_release); }

void PublishLockFile(const char* path) {
  g_lock_published.store(false, std::memory_order_relaxed);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (!CopyPath(g_lock_file, path)) return;
  g_lock_published.store(true, std::memory_order_release);
}

void WithdrawLockFile() { g_lock_published.store(false, std::memory_order_release); }

std::span<const int> RestoringSignals() {
  static const std::vector<int> signals = MakeRestoringSignals();
  return signals;
}

void InstallRestoreOnExit() {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true)) return;
  // A crash by stack overflow leaves no stack to run the handler on.
  static char alternate_stack[64 * 1024];
  stack_t stack{};
  stack.ss_sp = alternate_stack;
  stack.ss_size = sizeof alternate_stack;
  sigaltstack(&stack, nullptr);

  struct sigaction action {};
  action.sa_handler = RestoreAndDie;
  // One ending at a time: the way back is taken once.
  sigfillset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_ONSTACK;
  for (int signal_number : RestoringSignals()) sigaction(signal_number, &action, nullptr);
  std::atexit(RestoreIfArmed);
  std::at_quick_exit(RestoreIfArmed);
}

}  // namespace platform::linux_tz
