#include "keeper/preview_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "keeper/file_identity.h"
#include "tz/zone_names.h"

namespace keeper {

namespace fs = std::filesystem;

struct PreviewJournal::Journal {
  struct Entry {
    const fs::path* path;  // /etc/localtime or /etc/timezone
    FileIdentity before, after;
  };
  std::string id;
  std::vector<Entry> entries;  // in the order Apply changes them
};

namespace {

constexpr std::string_view kJournalHead = "talvane-preview-journal 1 ";
constexpr std::size_t kIdLength = 32;
// Two lines of at most ~100 characters each under a head: anything larger
// is not a journal.
constexpr std::size_t kMaxJournalSize = 1024;
// "Area/City\n", and room to spare.
constexpr std::size_t kMaxTimezoneFileSize = 256;

fs::path WayBackOf(const fs::path& file, const std::string& id, Found before) {
  return ProgramFileBeside(file, (before == Found::kPresent ? "restore." : "absent.") + id);
}

// The file as it is, under its way back's name: a hard link keeps it exactly.
// No file is noted by an empty marker.
bool KeepWayBack(const fs::path& file, const std::string& id, Found before) {
  const fs::path way_back = WayBackOf(file, id, before);
  if (before == Found::kPresent) {
    return linkat(AT_FDCWD, file.c_str(), AT_FDCWD, way_back.c_str(), 0) == 0;
  }
  const UniqueFd fd(open(way_back.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  return static_cast<bool>(fd);
}

bool RemoveIfThere(const fs::path& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; }

bool IsId(std::string_view text) {
  return text.size() == kIdLength &&
         text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// Whose a file of the journal is now: still as the preview wrote it, back as
// it was before, or someone else's.
enum class Side { kOurs, kBack, kTheirs };

// The zone a setting links to: the path of its link's target below the
// zoneinfo directory. nullopt when that can't be read; an empty name when
// it is no link to a zone there.
std::optional<std::string> ZoneLinkedFrom(const fs::path& setting, const fs::path& zoneinfo_dir) {
  char text[PATH_MAX];
  const ssize_t length = readlink(setting.c_str(), text, sizeof text);
  if (length < 0) {
    if (errno == ENOENT || errno == EINVAL) return std::string();
    return std::nullopt;
  }
  fs::path target(std::string(text, static_cast<std::size_t>(length)));
  if (target.is_relative()) target = setting.parent_path() / target;
  // The directory as configured, or where it leads, as into a store.
  std::error_code ec;
  for (const fs::path& dir : {zoneinfo_dir, fs::canonical(zoneinfo_dir, ec)}) {
    const std::string zone =
        target.lexically_normal().lexically_relative(dir.lexically_normal()).string();
    if (talvane::tz::IsZoneName(zone)) return zone;
  }
  return std::string();
}

std::string_view TrimmedLine(const std::vector<std::uint8_t>& bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

// Says why something of the program is kept, once, where the boot unit's log
// and an administrator see it.
bool Kept(const fs::path& path, const std::string& why) {
  std::fprintf(stderr,
               "talvane-keeper: %s: %s; kept, and no preview starts until an administrator "
               "has looked at it\n",
               path.c_str(), why.c_str());
  return false;
}

}  // namespace

PreviewJournal::PreviewJournal(platform::SystemPaths paths)
    : paths_(std::move(paths)),
      journal_(ProgramFileBeside(paths_.localtime, "applied")),
      lock_file_(ProgramFileBeside(paths_.localtime, "lock")) {}

PreviewJournal::~PreviewJournal() { Unlock(); }

policy::LockResult PreviewJournal::Lock() {
  if (lock_) return policy::LockResult::kTaken;
  // A holder letting go removes the file; one opened just before is stale,
  // and the next try finds the new one.
  for (int attempt = 0; attempt < 8; ++attempt) {
    UniqueFd fd(open(lock_file_.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) return policy::LockResult::kFailed;
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
      return errno == EWOULDBLOCK ? policy::LockResult::kBusy : policy::LockResult::kFailed;
    }
    struct stat held, named;
    if (fstat(fd.get(), &held) != 0) return policy::LockResult::kFailed;
    if (lstat(lock_file_.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
        held.st_dev == named.st_dev) {
      lock_ = std::move(fd);
      return policy::LockResult::kTaken;
    }
  }
  return policy::LockResult::kFailed;
}

void PreviewJournal::Unlock() {
  if (!lock_ || InForce()) return;
  unlink(lock_file_.c_str());
  lock_.Reset();  // drops the flock
}

bool PreviewJournal::InForce() const { return PresenceOf(journal_) != Found::kAbsent; }

bool PreviewJournal::Apply(const Replacement& localtime,
                           const std::optional<Replacement>& timezone) {
  if (!lock_ || InForce()) return false;
  struct Change {
    const fs::path* path;
    const Replacement* with;
    std::optional<fs::path> staged;
  };
  std::vector<Change> changes;
  if (timezone) changes.push_back({&paths_.timezone, &*timezone, std::nullopt});
  changes.push_back({&paths_.localtime, &localtime, std::nullopt});

  Journal journal{.id = RandomHex(kIdLength), .entries = {}};
  bool ok = !journal.id.empty();
  for (Change& change : changes) {
    const FileIdentity before = IdentityOf(*change.path);
    FileIdentity after;  // nothing, where the preview removes the file
    if (change.with->kind != Replacement::Kind::kNothing) {
      change.staged = Stage(*change.path, *change.with);
      if (change.staged) {
        after = IdentityOf(*change.staged);
      } else {
        after.found = Found::kUnknown;
      }
    }
    ok = ok && before.found != Found::kUnknown && after.found != Found::kUnknown;
    journal.entries.push_back({change.path, before, after});
  }
  auto discard_staged = [&] {
    for (const Change& change : changes) {
      if (change.staged) RemoveIfThere(*change.staged);
    }
  };
  // The journal first: a way back on disk is never without it, nor a change
  // without its way back.
  std::string text(kJournalHead);
  text += journal.id + "\n";
  for (const Journal::Entry& e : journal.entries) {
    text += e.path->filename().string() + "\t" + FormatIdentity(e.before) + "\t" +
            FormatIdentity(e.after) + "\n";
  }
  std::optional<fs::path> staged_journal;
  if (ok) {
    staged_journal = Stage(paths_.localtime, {.kind = Replacement::Kind::kFile,
                                              .link_target = {},
                                              .bytes = {text.begin(), text.end()},
                                              .mode = 0600});
    ok = staged_journal && Commit(*staged_journal, journal_);
    if (!ok && staged_journal) RemoveIfThere(*staged_journal);
  }
  if (!ok) {
    discard_staged();
    return false;
  }
  for (std::size_t i = 0; i < changes.size() && ok; ++i) {
    ok = KeepWayBack(*changes[i].path, journal.id, journal.entries[i].before.found);
  }
  ok = ok && SyncDirectories();
  for (const Change& change : changes) {
    ok = ok && (change.staged ? rename(change.staged->c_str(), change.path->c_str()) == 0
                              : RemoveIfThere(*change.path));
  }
  if (ok && SyncDirectories()) return true;
  discard_staged();
  RollBack();
  return false;
}

std::optional<PreviewJournal::Journal> PreviewJournal::Parse(std::string_view text) const {
  // The head with the id, then one entry a line: the file's name and two
  // identities, separated by tabs; each file at most once.
  const std::size_t head_end = text.find('\n');
  if (!text.starts_with(kJournalHead) || head_end == std::string_view::npos) return std::nullopt;
  Journal journal;
  journal.id = text.substr(kJournalHead.size(), head_end - kJournalHead.size());
  if (!IsId(journal.id)) return std::nullopt;
  for (std::size_t start = head_end + 1; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos) return std::nullopt;
    const std::string_view name = line.substr(0, tab1);
    const fs::path* path = name == paths_.localtime.filename().native()  ? &paths_.localtime
                           : name == paths_.timezone.filename().native() ? &paths_.timezone
                                                                         : nullptr;
    const auto before = ParseIdentity(std::string(line.substr(tab1 + 1, tab2 - tab1 - 1)));
    const auto after = ParseIdentity(std::string(line.substr(tab2 + 1)));
    if (path == nullptr || !before || !after ||
        std::any_of(journal.entries.begin(), journal.entries.end(),
                    [&](const Journal::Entry& e) { return e.path == path; })) {
      return std::nullopt;
    }
    journal.entries.push_back({path, *before, *after});
  }
  // A preview always changes /etc/localtime: a journal without it is cut short.
  if (std::none_of(journal.entries.begin(), journal.entries.end(),
                   [&](const Journal::Entry& e) { return e.path == &paths_.localtime; })) {
    return std::nullopt;
  }
  return journal;
}

bool PreviewJournal::RollBack() {
  if (!lock_) return false;
  const FileContents text = ReadFileContents(journal_, kMaxJournalSize, false);
  if (text.found == Found::kUnknown) return Kept(journal_, "cannot be read: " + text.why);
  if (text.found == Found::kPresent) {
    const std::optional<Journal> journal = Parse(
        std::string_view(reinterpret_cast<const char*>(text.bytes.data()), text.bytes.size()));
    if (!journal) return Kept(journal_, "not a journal of this program");
    // Everything back for good before the journal goes.
    if (!PutBack(*journal) || !SyncDirectories() || !RemoveIfThere(journal_) ||
        !SyncDirectoryOf(journal_)) {
      return false;
    }
  }
  return RemoveLeftovers();
}

bool PreviewJournal::PutBack(const Journal& journal) {
  std::vector<Side> sides;
  for (const Journal::Entry& e : journal.entries) {
    const FileIdentity now = IdentityOf(*e.path);
    if (now.found == Found::kUnknown) return false;
    Side side = now == e.before ? Side::kBack : now == e.after ? Side::kOurs : Side::kTheirs;
    if (side == Side::kOurs) {
      // A change whose way back someone took away cannot be undone.
      const Found way_back = PresenceOf(WayBackOf(*e.path, journal.id, e.before.found));
      if (way_back == Found::kUnknown) return false;
      if (way_back == Found::kAbsent) side = Side::kTheirs;
    }
    sides.push_back(side);
  }
  const auto theirs = std::count(sides.begin(), sides.end(), Side::kTheirs);
  if (theirs == static_cast<std::ptrdiff_t>(sides.size())) return true;
  // In the reverse order of Apply: the rules go back before the name.
  for (std::size_t i = sides.size(); i-- > 0;) {
    if (sides[i] != Side::kOurs) continue;
    const Journal::Entry& e = journal.entries[i];
    const fs::path way_back = WayBackOf(*e.path, journal.id, e.before.found);
    const bool back = e.before.found == Found::kPresent
                          ? rename(way_back.c_str(), e.path->c_str()) == 0
                          : RemoveIfThere(*e.path) && RemoveIfThere(way_back);
    if (!back) return false;
  }
  const bool wrote_timezone =
      std::any_of(journal.entries.begin(), journal.entries.end(),
                  [&](const Journal::Entry& e) { return e.path == &paths_.timezone; });
  // With nothing of theirs the pair is exactly as it was, agreeing or not.
  return theirs == 0 || !wrote_timezone || TimezoneFollowsLocaltime();
}

bool PreviewJournal::TimezoneFollowsLocaltime() const {
  const std::optional<std::string> zone = ZoneLinkedFrom(paths_.localtime, paths_.zoneinfo_dir);
  if (!zone) return false;
  if (zone->empty()) return true;
  const FileContents named = ReadFileContents(paths_.timezone, kMaxTimezoneFileSize, true);
  if (named.found == Found::kUnknown) return false;
  if (named.found == Found::kAbsent || TrimmedLine(named.bytes) == *zone) return true;
  struct stat st;
  const std::string line = *zone + "\n";
  const std::optional<fs::path> staged =
      Stage(paths_.timezone, {.kind = Replacement::Kind::kFile,
                              .link_target = {},
                              .bytes = {line.begin(), line.end()},
                              .mode = stat(paths_.timezone.c_str(), &st) == 0
                                          ? static_cast<mode_t>(st.st_mode & 07777)
                                          : mode_t{0644}});
  if (staged && Commit(*staged, paths_.timezone)) return true;
  if (staged) RemoveIfThere(*staged);
  return false;
}

bool PreviewJournal::RemoveLeftovers() const {
  // Whatever of the program is beside the setting belongs to no journal now:
  // way backs not taken, files staged by a writer that was killed.
  const std::string prefixes[] = {ProgramFileBeside(paths_.localtime, "").filename(),
                                  ProgramFileBeside(paths_.timezone, "").filename()};
  const bool one_directory = paths_.localtime.parent_path() == paths_.timezone.parent_path();
  bool removed = false;
  for (const fs::path* file : {&paths_.localtime, &paths_.timezone}) {
    if (file == &paths_.timezone && one_directory) break;
    std::error_code ec;
    for (fs::directory_iterator it(file->parent_path(), ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
      const fs::path& path = it->path();
      const std::string name = path.filename();
      if ((name.starts_with(prefixes[0]) || name.starts_with(prefixes[1])) && path != lock_file_) {
        if (!RemoveIfThere(path)) return false;
        removed = true;
      }
    }
    if (ec) return false;
  }
  return !removed || SyncDirectories();
}

bool PreviewJournal::SyncDirectories() const {
  return SyncDirectoryOf(paths_.localtime) &&
         (paths_.localtime.parent_path() == paths_.timezone.parent_path() ||
          SyncDirectoryOf(paths_.timezone));
}

}  // namespace keeper
