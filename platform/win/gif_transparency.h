// The transparent colour of a GIF, read from the file itself: Wine's GDI+
// draws a GIF's transparent pixels in their palette colour, so the toolkit
// keys that colour out itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/form_design.h"

namespace platform::win32 {

// The palette colour of the first image's transparent index; none when the
// data is not a GIF or declares no transparency.
std::optional<Rgb> GifTransparentColour(const std::uint8_t* data, std::size_t size);

}  // namespace platform::win32
