// A picture of the design together with its drawing at twice the size, where
// the artwork has one: painted at the design's size in device-independent
// pixels, from the drawing that suits the screen's device pixel ratio.
#pragma once

#include <QImage>
#include <QPainter>
#include <string>

namespace platform::qt {

class ScaledPicture {
 public:
  ScaledPicture() = default;
  // The design's picture ("assets/skin.jpg") and, beside it, its twice-size
  // drawing ("assets/skin@2x.jpg").
  explicit ScaledPicture(const std::string& picture);

  bool isNull() const { return single_.isNull(); }
  // The picture at the design's size.
  const QImage& Single() const { return single_; }
  // Draws it with its top-left corner at the painter's origin.
  void Paint(QPainter& painter, qreal device_pixel_ratio);

 private:
  QImage single_;
  std::string double_name_;  // until the twice-size drawing is first needed
  QImage double_;
};

}  // namespace platform::qt
