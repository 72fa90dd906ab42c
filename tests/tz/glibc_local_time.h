// glibc's own conversion of UTC instants to local time: the independent
// implementation the library's results are held against.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace talvane::tz::testing {

// Sets TZ for the life of the object (and tzset()s), then restores it.
// Only the process environment changes; /etc/localtime is never touched.
class ScopedTz {
 public:
  explicit ScopedTz(const std::string& tz);
  ~ScopedTz();
  ScopedTz(const ScopedTz&) = delete;
  ScopedTz& operator=(const ScopedTz&) = delete;

 private:
  std::optional<std::string> saved_;
};

struct GlibcLocal {
  long gmtoff;
  std::string zone;
  friend bool operator==(const GlibcLocal&, const GlibcLocal&) = default;
};

std::ostream& operator<<(std::ostream& os, const GlibcLocal& local);

// localtime_r under the current TZ.
GlibcLocal GlibcLocalTime(std::int64_t t);

// UTC seconds for "YYYY-MM-DD HH:MM:SS", via glibc's timegm.
std::int64_t Utc(const char* text);

}  // namespace talvane::tz::testing
