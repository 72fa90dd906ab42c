#include "platform/win/gif_transparency.h"

#include <cstring>

namespace platform::win32 {
namespace {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kGraphicControl = 0xF9;

std::size_t TableBytes(std::uint8_t packed) {
  return (packed & 0x80) ? 3u * (2u << (packed & 0x07)) : 0u;
}

}  // namespace

std::optional<Rgb> GifTransparentColour(const std::uint8_t* data, std::size_t size) {
  if (size < 13 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0)) {
    return std::nullopt;
  }
  const std::uint8_t* table = data + 13;
  std::size_t table_bytes = TableBytes(data[10]);
  std::size_t pos = 13 + table_bytes;
  std::optional<std::uint8_t> transparent;
  while (pos < size) {
    if (data[pos] == kExtension && pos + 1 < size) {
      const std::uint8_t label = data[pos + 1];
      pos += 2;
      if (label == kGraphicControl && pos + 5 < size && data[pos] == 4) {
        if (data[pos + 1] & 0x01) transparent = data[pos + 4];
      }
      // Sub-blocks, each led by its length, up to an empty one.
      while (pos < size && data[pos] != 0) pos += 1 + data[pos];
      ++pos;
    } else if (data[pos] == kImage && pos + 9 < size) {
      // The first image's own table, if it has one, replaces the global one.
      if (data[pos + 9] & 0x80) {
        table = data + pos + 10;
        table_bytes = TableBytes(data[pos + 9]);
      }
      break;
    } else {
      break;
    }
  }
  if (!transparent || 3u * *transparent + 3 > table_bytes ||
      static_cast<std::size_t>(table - data) + table_bytes > size) {
    return std::nullopt;
  }
  const std::uint8_t* colour = table + 3u * *transparent;
  return Rgb{colour[0], colour[1], colour[2]};
}

}  // namespace platform::win32
