#include "platform/qt/scaled_picture.h"

#include "platform/qt/embedded_pictures.h"

namespace platform::qt {
namespace {

std::string TwiceSizeName(const std::string& picture) {
  const std::size_t dot = picture.rfind('.');
  return dot == std::string::npos ? picture + "@2x"
                                  : picture.substr(0, dot) + "@2x" + picture.substr(dot);
}

}  // namespace

ScaledPicture::ScaledPicture(const std::string& picture)
    : single_(EmbeddedPicture(picture).value(0)), double_name_(TwiceSizeName(picture)) {}

void ScaledPicture::Paint(QPainter& painter, qreal device_pixel_ratio) {
  // Only when a screen needs it, so that at 1x none of its pages is read.
  if (device_pixel_ratio > 1 && !double_name_.empty()) {
    double_ = EmbeddedPicture(double_name_).value(0);
    double_name_.clear();
  }
  if (device_pixel_ratio <= 1 || double_.isNull()) {
    painter.drawImage(0, 0, single_);
    return;
  }
  // One screen pixel per pixel at twice the size; smoothly reduced or
  // enlarged at any other ratio.
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRectF(QPointF(0, 0), single_.size()), double_);
}

}  // namespace platform::qt
