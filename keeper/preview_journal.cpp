#include "keeper/preview_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "keeper/file_identity.h"

namespace keeper {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kJournalHead = "talvane-preview-journal 1 ";
constexpr std::size_t kIdLength = 32;
// Two lines of at most ~100 characters each under a head: anything larger
// is not a journal.
constexpr std::size_t kMaxJournalSize = 1024;

struct Entry {
  std::string name;  // the setting file's own name: "localtime", "timezone"
  FileIdentity before, after;
};

struct Journal {
  std::string id;
  std::vector<Entry> entries;  // in the order Apply changes them
};

std::string RandomId() {
  unsigned char bytes[kIdLength / 2];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) return "";
  std::string id;
  for (unsigned char b : bytes) {
    id += "0123456789abcdef"[b >> 4];
    id += "0123456789abcdef"[b & 15];
  }
  return id;
}

fs::path WayBackOf(const fs::path& file, const std::string& id, bool was_there) {
  return ProgramFileBeside(file, std::string(was_there ? "restore." : "absent.") + id);
}

// The file as it is, under its way back's name: a hard link keeps it exactly.
// No file is noted by an empty marker.
bool KeepWayBack(const fs::path& file, const std::string& id, bool was_there) {
  const fs::path way_back = WayBackOf(file, id, was_there);
  if (was_there) return linkat(AT_FDCWD, file.c_str(), AT_FDCWD, way_back.c_str(), 0) == 0;
  const UniqueFd fd(open(way_back.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  return static_cast<bool>(fd);
}

bool RemoveIfThere(const fs::path& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; }

std::string Format(const Journal& journal) {
  std::string text(kJournalHead);
  text += journal.id + "\n";
  for (const Entry& e : journal.entries) {
    text += e.name + "\t" + FormatIdentity(e.before) + "\t" + FormatIdentity(e.after) + "\n";
  }
  return text;
}

bool IsId(std::string_view text) {
  return text.size() == kIdLength &&
         text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// The journal's lines: the head with the id, then one entry a line, its name
// and two identities separated by tabs.
std::optional<Journal> Parse(std::string_view text) {
  Journal journal;
  std::size_t start = 0;
  for (std::size_t line_number = 0; start < text.size(); ++line_number) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line_number == 0) {
      if (!line.starts_with(kJournalHead) || !IsId(line.substr(kJournalHead.size()))) {
        return std::nullopt;
      }
      journal.id = line.substr(kJournalHead.size());
      continue;
    }
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    if (tab1 == std::string_view::npos || tab2 == std::string_view::npos) return std::nullopt;
    auto before = ParseIdentity(std::string(line.substr(tab1 + 1, tab2 - tab1 - 1)));
    auto after = ParseIdentity(std::string(line.substr(tab2 + 1)));
    if (!before || !after || journal.entries.size() == 2) return std::nullopt;
    journal.entries.push_back({std::string(line.substr(0, tab1)), *before, *after});
  }
  if (journal.id.empty()) return std::nullopt;
  return journal;
}

// nullopt when there is none; an empty text when one is there but cannot be
// a journal.
std::optional<std::string> ReadJournal(const fs::path& path) {
  const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!fd) return errno == ENOENT ? std::nullopt : std::optional<std::string>("");
  std::string text(kMaxJournalSize + 1, '\0');
  std::size_t size = 0;
  ssize_t n;
  while (size < text.size() && (n = read(fd.get(), text.data() + size, text.size() - size)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return "";
    size += static_cast<std::size_t>(n);
  }
  if (size > kMaxJournalSize) return "";
  text.resize(size);
  return text;
}

bool Exists(const fs::path& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace

PreviewJournal::PreviewJournal(fs::path localtime, fs::path timezone)
    : localtime_(std::move(localtime)),
      timezone_(std::move(timezone)),
      journal_(ProgramFileBeside(localtime_, "applied")),
      lock_file_(ProgramFileBeside(localtime_, "lock")) {}

PreviewJournal::~PreviewJournal() { Unlock(); }

bool PreviewJournal::Lock() {
  if (locked()) return true;
  // A holder letting go removes the file; one opened just before is stale,
  // and the next try finds the new one.
  for (int attempt = 0; attempt < 8; ++attempt) {
    UniqueFd fd(open(lock_file_.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd || flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
    struct stat held, named;
    if (fstat(fd.get(), &held) == 0 && lstat(lock_file_.c_str(), &named) == 0 &&
        held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
      lock_ = std::move(fd);
      return true;
    }
  }
  return false;
}

void PreviewJournal::Unlock() {
  if (!locked() || pending()) return;
  unlink(lock_file_.c_str());
  lock_.Reset();  // drops the flock
}

bool PreviewJournal::pending() const {
  struct stat st;
  return lstat(journal_.c_str(), &st) == 0 || errno != ENOENT;
}

const fs::path* PreviewJournal::PathNamed(const std::string& name) const {
  if (name == localtime_.filename()) return &localtime_;
  if (name == timezone_.filename()) return &timezone_;
  return nullptr;
}

bool PreviewJournal::Apply(const Replacement& localtime,
                           const std::optional<Replacement>& timezone) {
  if (!locked() || pending()) return false;
  struct Change {
    const fs::path* path;
    const Replacement* with;
    std::optional<fs::path> staged;
  };
  std::vector<Change> changes;
  if (timezone) changes.push_back({&timezone_, &*timezone, std::nullopt});
  changes.push_back({&localtime_, &localtime, std::nullopt});

  Journal journal{.id = RandomId(), .entries = {}};
  bool ok = !journal.id.empty();
  for (Change& change : changes) {
    if (!ok) break;
    const std::optional<FileIdentity> before = IdentityOf(*change.path);
    change.staged = Stage(*change.path, *change.with);
    const std::optional<FileIdentity> after =
        change.staged ? IdentityOf(*change.staged) : std::nullopt;
    ok = before && after;
    if (ok) journal.entries.push_back({change.path->filename(), *before, *after});
  }
  auto discard_staged = [&] {
    for (const Change& change : changes) {
      if (change.staged) RemoveIfThere(*change.staged);
    }
  };
  // The journal first: a way back on disk is never without it, nor a change
  // without its way back.
  const std::string text = Format(journal);
  std::optional<fs::path> staged_journal;
  if (ok) {
    staged_journal =
        Stage(localtime_,
              {.link_target = std::nullopt, .bytes = {text.begin(), text.end()}, .mode = 0600});
    ok = staged_journal && Commit(*staged_journal, journal_);
    if (!ok && staged_journal) RemoveIfThere(*staged_journal);
  }
  if (!ok) {
    discard_staged();
    return false;
  }
  for (std::size_t i = 0; i < changes.size() && ok; ++i) {
    ok = KeepWayBack(*changes[i].path, journal.id, journal.entries[i].before.exists);
  }
  ok = ok && SyncDirectories();
  for (const Change& change : changes) {
    ok = ok && rename(change.staged->c_str(), change.path->c_str()) == 0;
  }
  if (ok && SyncDirectories()) return true;
  discard_staged();
  RollBack();
  return false;
}

bool PreviewJournal::RollBack() {
  if (!locked()) return false;
  if (const std::optional<std::string> text = ReadJournal(journal_)) {
    std::optional<Journal> journal = Parse(*text);
    if (journal && std::any_of(journal->entries.begin(), journal->entries.end(),
                               [&](const Entry& e) { return PathNamed(e.name) == nullptr; })) {
      journal.reset();
    }
    if (!journal) {
      std::fprintf(stderr, "talvane-keeper: %s is not a journal of this program; dropped\n",
                   journal_.c_str());
      journal.emplace();  // nothing in it is put back
    }
    enum class State { kApplied, kBefore, kChanged };
    std::vector<State> states;
    bool changed_since = false;
    for (const Entry& e : journal->entries) {
      const fs::path& path = *PathNamed(e.name);
      const std::optional<FileIdentity> now = IdentityOf(path);
      State state = !now               ? State::kChanged
                    : *now == e.after  ? State::kApplied
                    : *now == e.before ? State::kBefore
                                       : State::kChanged;
      // A change whose way back someone took away cannot be undone.
      if (state == State::kApplied && !Exists(WayBackOf(path, journal->id, e.before.exists))) {
        state = State::kChanged;
      }
      changed_since = changed_since || state == State::kChanged;
      states.push_back(state);
    }
    for (std::size_t i = states.size(); i-- > 0 && !changed_since;) {
      if (states[i] != State::kApplied) continue;
      const Entry& e = journal->entries[i];
      const fs::path& path = *PathNamed(e.name);
      const fs::path way_back = WayBackOf(path, journal->id, e.before.exists);
      const bool back = e.before.exists ? rename(way_back.c_str(), path.c_str()) == 0
                                        : RemoveIfThere(path) && RemoveIfThere(way_back);
      if (!back) return false;
    }
    // Everything back for good before the journal goes.
    if (!SyncDirectories() || !RemoveIfThere(journal_) || !SyncDirectoryOf(journal_)) return false;
  }
  // Whatever else of the program is beside the setting belongs to no journal
  // now: way backs not taken, files staged by a writer that was killed.
  bool clean = true, removed = false;
  const std::string prefixes[] = {ProgramFileBeside(localtime_, "").filename(),
                                  ProgramFileBeside(timezone_, "").filename()};
  const bool one_directory = localtime_.parent_path() == timezone_.parent_path();
  for (const fs::path* file : {&localtime_, &timezone_}) {
    if (file == &timezone_ && one_directory) break;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(file->parent_path(), ec)) {
      const fs::path& path = entry.path();
      const std::string name = path.filename();
      if ((name.starts_with(prefixes[0]) || name.starts_with(prefixes[1])) && path != lock_file_) {
        clean = RemoveIfThere(path) && clean;
        removed = true;
      }
    }
  }
  return clean && (!removed || SyncDirectories());
}

bool PreviewJournal::SyncDirectories() const {
  return SyncDirectoryOf(localtime_) &&
         (localtime_.parent_path() == timezone_.parent_path() || SyncDirectoryOf(timezone_));
}

}  // namespace keeper
