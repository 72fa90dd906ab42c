#include "platform/linux/preview_journal.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace platform::linux_tz {
namespace {

namespace fs = std::filesystem;

// What the exit path needs, in plain storage a signal handler may read.
struct ArmedRestore {
  char setting[PATH_MAX];
  char restore[PATH_MAX];
  char absent[PATH_MAX];
};
ArmedRestore g_armed;
volatile std::sig_atomic_t g_is_armed = 0;

bool CopyPath(char (&to)[PATH_MAX], const fs::path& from) {
  const std::string& text = from.native();
  if (text.size() >= PATH_MAX) return false;
  std::memcpy(to, text.c_str(), text.size() + 1);
  return true;
}

void SyncDirectoryOf(const char* path) {
  char dir[PATH_MAX];
  std::strcpy(dir, path);
  char* slash = std::strrchr(dir, '/');
  if (slash == nullptr) {
    std::strcpy(dir, ".");
  } else if (slash == dir) {
    dir[1] = '\0';
  } else {
    *slash = '\0';
  }
  int fd = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

// Async-signal-safe: only rename, unlink, lstat, open, fsync, close.
bool PutBack(const char* setting, const char* restore, const char* absent) {
  struct stat st;
  bool done = false;
  if (lstat(restore, &st) == 0) {
    done = rename(restore, setting) == 0;
  } else if (lstat(absent, &st) == 0) {
    done = (unlink(setting) == 0 || errno == ENOENT) && unlink(absent) == 0;
  }
  if (done) SyncDirectoryOf(setting);
  return done;
}

void RestoreIfArmed() {
  if (g_is_armed != 0) {
    PutBack(g_armed.setting, g_armed.restore, g_armed.absent);
    g_is_armed = 0;
  }
}

void RestoreAndDie(int signal_number) {
  const int saved_errno = errno;
  RestoreIfArmed();
  errno = saved_errno;
  // The handler was reset to the default on entry; this ends the process the
  // way the signal would have.
  raise(signal_number);
}

}  // namespace

PreviewJournal::PreviewJournal(fs::path setting)
    : setting_(std::move(setting)),
      restore_path_(setting_.parent_path() / ".localtime.talvane-restore"),
      absent_path_(setting_.parent_path() / ".localtime.talvane-absent") {}

PreviewJournal::~PreviewJournal() { Unlock(); }

bool PreviewJournal::Lock() {
  if (lock_fd_ >= 0) return true;
  fs::path dir = setting_.has_parent_path() ? setting_.parent_path() : fs::path(".");
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  lock_fd_ = fd;
  return true;
}

void PreviewJournal::Unlock() {
  if (lock_fd_ < 0) return;
  close(lock_fd_);  // drops the flock
  lock_fd_ = -1;
}

bool PreviewJournal::RecoverUnfinished() {
  if (!locked() || prepared_) return false;
  struct stat st;
  const bool unfinished =
      lstat(restore_path_.c_str(), &st) == 0 || lstat(absent_path_.c_str(), &st) == 0;
  if (unfinished && !PutBack(setting_.c_str(), restore_path_.c_str(), absent_path_.c_str())) {
    return false;
  }
  // Files a killed writer left half done. Only the lock holder writes them.
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(setting_.parent_path(), ec)) {
    if (entry.path().filename().native().starts_with(".localtime.talvane-")) {
      unlink(entry.path().c_str());
    }
  }
  return unfinished;
}

bool PreviewJournal::Prepare(const SettingSnapshot& current) {
  if (!locked() || prepared_) return false;
  ArmedRestore armed;
  if (!CopyPath(armed.setting, setting_) || !CopyPath(armed.restore, restore_path_) ||
      !CopyPath(armed.absent, absent_path_)) {
    return false;
  }
  bool saved = false;
  switch (current.kind) {
    case SettingSnapshot::Kind::kSymlink:
      saved = symlink(current.link_target.c_str(), restore_path_.c_str()) == 0;
      break;
    case SettingSnapshot::Kind::kFile:
      saved = WriteFileAtomically(restore_path_, current.bytes, current.mode);
      break;
    case SettingSnapshot::Kind::kAbsent:
      saved = WriteFileAtomically(absent_path_, {}, 0600);
      break;
  }
  if (!saved) return false;
  SyncDirectoryOf(setting_.c_str());
  g_is_armed = 0;
  g_armed = armed;
  g_is_armed = 1;
  prepared_ = true;
  return true;
}

bool PreviewJournal::Restore() {
  if (!prepared_) return false;
  if (!PutBack(setting_.c_str(), restore_path_.c_str(), absent_path_.c_str())) return false;
  g_is_armed = 0;
  prepared_ = false;
  return true;
}

void PreviewJournal::Discard() {
  if (!prepared_) return;
  g_is_armed = 0;
  unlink(restore_path_.c_str());
  unlink(absent_path_.c_str());
  SyncDirectoryOf(setting_.c_str());
  prepared_ = false;
}

void InstallRestoreOnExit() {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true)) return;
  struct sigaction action {};
  action.sa_handler = RestoreAndDie;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_NODEFER;
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE}) {
    sigaction(signal_number, &action, nullptr);
  }
  // A lost display connection ends Qt's event loop through exit().
  std::atexit(RestoreIfArmed);
  std::at_quick_exit(RestoreIfArmed);
}

}  // namespace platform::linux_tz
