#include "tests/tz/glibc_local_time.h"

#include <cstdlib>
#include <ctime>
#include <stdexcept>

namespace talvane::tz::testing {

ScopedTz::ScopedTz(const std::string& tz) {
  if (const char* old = std::getenv("TZ")) saved_ = old;
  setenv("TZ", tz.c_str(), 1);
  tzset();
}

ScopedTz::~ScopedTz() {
  if (saved_) {
    setenv("TZ", saved_->c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

std::ostream& operator<<(std::ostream& os, const GlibcLocal& local) {
  return os << local.zone << " (" << local.gmtoff << " s)";
}

GlibcLocal GlibcLocalTime(std::int64_t t) {
  const auto tt = static_cast<std::time_t>(t);
  std::tm tm{};
  if (localtime_r(&tt, &tm) == nullptr) throw std::runtime_error("localtime_r failed");
  return {tm.tm_gmtoff, tm.tm_zone != nullptr ? tm.tm_zone : ""};
}

std::int64_t Utc(const char* text) {
  std::tm tm{};
  const char* end = strptime(text, "%Y-%m-%d %H:%M:%S", &tm);
  if (end == nullptr || *end != '\0') throw std::invalid_argument(text);
  return timegm(&tm);
}

}  // namespace talvane::tz::testing
