#include "platform/linux/ansi_code_page.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform::linux_tz {
namespace {

class Converter {
 public:
  Converter() : cd_(iconv_open("UTF-16LE", nl_langinfo(CODESET))) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Converts everything, replacing undecodable bytes; empty on a setup failure.
std::vector<win::WCHAR> Convert(const char* in, std::size_t in_size, bool& ok) {
  Converter converter;
  ok = converter.ok();
  std::vector<win::WCHAR> wide;
  if (!ok) return wide;
  std::vector<char> buffer(in_size * 4 + 8);
  char* src = const_cast<char*>(in);
  std::size_t src_left = in_size;
  while (src_left > 0) {
    char* dst = buffer.data();
    std::size_t dst_left = buffer.size();
    std::size_t result = iconv(converter.get(), &src, &src_left, &dst, &dst_left);
    const std::size_t produced = (buffer.size() - dst_left) / 2;
    for (std::size_t i = 0; i < produced; ++i) {
      wide.push_back(static_cast<win::WCHAR>(static_cast<unsigned char>(buffer[2 * i]) |
                                             static_cast<unsigned char>(buffer[2 * i + 1]) << 8));
    }
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or a sequence cut off at the end: one replacement per byte.
    wide.push_back(u'\uFFFD');
    ++src;
    --src_left;
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  }
  return wide;
}

}  // namespace

int AnsiToWide(const char* in, int in_size, win::WCHAR* out, int out_size) {
  if (in == nullptr || in_size == 0 || in_size < -1 || out_size < 0) return 0;
  const std::size_t size = in_size == -1 ? std::strlen(in) + 1 : static_cast<std::size_t>(in_size);
  bool ok = false;
  const std::vector<win::WCHAR> wide = Convert(in, size, ok);
  if (!ok) return 0;
  const int needed = static_cast<int>(wide.size());
  if (out_size == 0) return needed;
  if (out == nullptr || needed > out_size) return 0;
  std::copy(wide.begin(), wide.end(), out);
  return needed;
}

}  // namespace platform::linux_tz
