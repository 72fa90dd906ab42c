// Finding a GIF's transparent colour, which the toolkit keys out itself.
#include "platform/win/gif_transparency.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::win32::GifTransparentColour;

// A 1 x 1 GIF89a with a two-colour global table (red, magenta); `transparency`
// says whether `index` is transparent.
std::vector<std::uint8_t> Gif(bool transparency, std::uint8_t index) {
  return {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,
          // global table: 2 entries
          200, 0, 0, 255, 0, 255,
          // graphic control extension
          0x21, 0xF9, 4, static_cast<std::uint8_t>(transparency ? 1 : 0), 0, 0, index, 0,
          // image descriptor, no local table, then minimal data and trailer
          0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
}

TEST(GifTransparencyTest, GivesThePaletteColourOfTheTransparentIndex) {
  const auto gif = Gif(true, 1);
  const auto colour = GifTransparentColour(gif.data(), gif.size());
  ASSERT_TRUE(colour.has_value());
  EXPECT_EQ(colour->red, 255);
  EXPECT_EQ(colour->green, 0);
  EXPECT_EQ(colour->blue, 255);
}

TEST(GifTransparencyTest, NoneWithoutTheTransparencyFlag) {
  const auto gif = Gif(false, 1);
  EXPECT_FALSE(GifTransparentColour(gif.data(), gif.size()).has_value());
}

TEST(GifTransparencyTest, NoneForAnIndexOutsideThePalette) {
  const auto gif = Gif(true, 7);
  EXPECT_FALSE(GifTransparentColour(gif.data(), gif.size()).has_value());
}

TEST(GifTransparencyTest, NoneForDataThatIsNoGif) {
  const std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F',
                                          'I',  'F',  0,    1,    1, 0,    0};
  EXPECT_FALSE(GifTransparentColour(jpeg.data(), jpeg.size()).has_value());
}

}  // namespace
