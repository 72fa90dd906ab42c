#include "platform/linux/preview_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace platform::linux_tz {
namespace {

namespace fs = std::filesystem;

// The file as it is, under the way back's name: a hard link keeps it exactly,
// its inode, owner, mode and bytes. No file is noted by an empty marker.
bool KeepWayBack(const WayBackPaths& paths) {
  if (linkat(AT_FDCWD, paths.file, AT_FDCWD, paths.restore, 0) == 0) return true;
  if (errno != ENOENT) return false;
  const int fd = open(paths.absent, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  return fd >= 0 && close(fd) == 0;
}

std::string RecordLine(const fs::path& file, const FileIdentity& id) {
  char line[160];
  std::snprintf(line, sizeof line, "%u %" PRIu64 " %" PRIu64 " %016" PRIx64 "\n", id.is_link,
                id.inode, id.size, id.hash);
  return file.filename().string() + " " + line;
}

// What a dead preview wrote, by file name; empty when it left no record.
std::map<std::string, FileIdentity> ReadRecord(const fs::path& record) {
  std::map<std::string, FileIdentity> applied;
  std::ifstream in(record);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name;
    FileIdentity id;
    fields >> name >> id.is_link >> id.inode >> id.size >> std::hex >> id.hash;
    if (fields && !name.empty()) applied[name] = id;
  }
  return applied;
}

}  // namespace

PreviewJournal::File PreviewJournal::FileAt(const fs::path& path) {
  return {path, ProgramFileBeside(path, "restore"), ProgramFileBeside(path, "absent")};
}

WayBackPaths PreviewJournal::PathsOf(const File& file) {
  WayBackPaths paths{};
  CopyPath(paths.file, file.path.c_str());
  CopyPath(paths.restore, file.restore.c_str());
  CopyPath(paths.absent, file.absent.c_str());
  return paths;
}

PreviewJournal::PreviewJournal(fs::path localtime, fs::path timezone)
    : localtime_(FileAt(localtime)),
      timezone_(FileAt(timezone)),
      applied_record_(ProgramFileBeside(localtime, "applied")),
      lock_file_(ProgramFileBeside(localtime, "lock")) {}

PreviewJournal::~PreviewJournal() { Unlock(); }

bool PreviewJournal::Lock() {
  if (locked()) return true;
  if (lock_file_.native().size() >= PATH_MAX) return false;
  // A holder letting go removes the file; one opened just before is stale,
  // and the next try finds the new one.
  for (int attempt = 0; attempt < 8; ++attempt) {
    UniqueFd fd(open(lock_file_.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd || flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
    struct stat held, named;
    if (fstat(fd.get(), &held) == 0 && lstat(lock_file_.c_str(), &named) == 0 &&
        held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
      lock_ = std::move(fd);
      PublishLockFile(lock_file_.c_str());
      return true;
    }
  }
  return false;
}

void PreviewJournal::Unlock() {
  if (!locked()) return;
  WithdrawLockFile();
  unlink(lock_file_.c_str());
  lock_.Reset();  // drops the flock
}

bool PreviewJournal::RecoverUnfinished() {
  if (!locked()) return false;
  // This process's own way back, which a failed Apply could not take.
  if (prepared_) return Restore();
  const std::map<std::string, FileIdentity> applied = ReadRecord(applied_record_);
  bool back = true;
  for (const File* file : {&localtime_, &timezone_}) {
    auto it = applied.find(file->path.filename().string());
    if (TakeWayBack(PathsOf(*file), it != applied.end() ? &it->second : nullptr) ==
        WayBackResult::kFailed) {
      back = false;
    }
  }
  if (!back) return false;
  // What a killed writer left half done. Only the lock holder writes these.
  unlink(applied_record_.c_str());
  for (const File* file : {&localtime_, &timezone_}) {
    const std::string prefix = ProgramFileBeside(file->path, "").filename();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(file->path.parent_path(), ec)) {
      const fs::path& name = entry.path();
      if (name.filename().native().starts_with(prefix) && name != lock_file_) unlink(name.c_str());
    }
    SyncDirectoryOf(file->path.c_str());
  }
  return true;
}

bool PreviewJournal::Apply(const Replacement& localtime,
                           const std::optional<Replacement>& timezone) {
  if (!locked() || prepared_) return false;
  struct Change {
    const File* file;
    const Replacement* with;
    std::optional<fs::path> staged;
  };
  // /etc/timezone first: the zone's name never runs ahead of its rules.
  std::vector<Change> changes;
  if (timezone) changes.push_back({&timezone_, &*timezone, std::nullopt});
  changes.push_back({&localtime_, &localtime, std::nullopt});

  ArmedPreview armed{};
  std::string record;
  bool ok = CopyPath(armed.applied_record, applied_record_.c_str());
  for (Change& change : changes) {
    if (!ok) break;
    WayBackPaths& paths = armed.files[armed.file_count];
    FileIdentity& identity = armed.applied[armed.file_count];
    paths = PathsOf(*change.file);
    change.staged = Stage(change.file->path, *change.with);
    ok = change.staged && IdentityOf(change.staged->c_str(), &identity);
    record += RecordLine(change.file->path, identity);
    ++armed.file_count;
  }
  auto abandon = [&] {
    for (const Change& change : changes) {
      if (change.staged) unlink(change.staged->c_str());
    }
    return false;
  };
  if (!ok) return abandon();

  // The record first, so a way back on disk is never without it.
  std::optional<fs::path> staged_record =
      Stage(localtime_.path,
            {.link_target = std::nullopt, .bytes = {record.begin(), record.end()}, .mode = 0600});
  if (!staged_record || !Commit(*staged_record, applied_record_)) {
    if (staged_record) unlink(staged_record->c_str());
    return abandon();
  }
  int kept = 0;
  while (kept < armed.file_count && KeepWayBack(armed.files[kept])) ++kept;
  armed_ = armed;
  armed_.file_count = kept;
  ArmExitRestore(armed_);
  prepared_ = true;
  bool committed = kept == armed.file_count;
  for (const Change& change : changes) {
    SyncDirectoryOf(change.file->path.c_str());
    committed = committed && Commit(*change.staged, change.file->path);
  }
  if (committed) return true;
  // Files not yet replaced are not what the record says, so their way back
  // is dropped; those replaced are put back.
  Restore();
  return abandon();
}

bool PreviewJournal::Restore() {
  if (!prepared_) return true;
  bool back = true;
  for (int i = 0; i < armed_.file_count; ++i) {
    if (TakeWayBack(armed_.files[i], &armed_.applied[i]) == WayBackResult::kFailed) back = false;
    SyncDirectoryOf(armed_.files[i].file);
  }
  if (!back) return false;
  DisarmExitRestore();
  unlink(applied_record_.c_str());
  prepared_ = false;
  return true;
}

}  // namespace platform::linux_tz
