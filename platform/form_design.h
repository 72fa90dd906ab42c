// A window's design as plain data: what the toolkit creates before the
// window is first shown. Sizes and positions are pixels of the client area.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace platform {

struct PixelRect {
  int left;
  int top;
  int width;
  int height;
};

struct Rgb {
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
};

struct FontDesign {
  std::string family;
  double points;
  int weight;  // 400 is normal, as Windows counts it
  bool italic;
  bool underline;
  bool strikeout;
};

struct ListBoxDesign {
  PixelRect rect;
  Rgb background;
  FontDesign font;
  std::string tooltip;
  std::string accessible_name;  // what screen readers call it
};

// An image control shows its picture unscaled; an empty picture shows nothing.
struct ImageDesign {
  PixelRect rect;
  std::string picture;
  std::string tooltip;
};

enum class ImageControl { Image1, Image2, Image3 };

// Pictures are named by their path under app/.
struct FormDesign {
  std::string caption;
  std::string application_title;  // the caption of message boxes
  int client_width;
  int client_height;
  std::string background_picture;
  std::string icon;
  ListBoxDesign list;
  std::array<ImageDesign, 3> images;  // indexed by ImageControl
};

inline const ImageDesign& DesignOf(const FormDesign& form, ImageControl image) {
  return form.images[static_cast<std::size_t>(image)];
}

}  // namespace platform
