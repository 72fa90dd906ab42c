#include "platform/qt/image_control.h"

#include <QMouseEvent>

namespace platform::qt {

ImageControl::ImageControl(QWidget* parent) : QLabel(parent) {
  setAttribute(Qt::WA_NoMousePropagation);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void ImageControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  event->accept();
}

void ImageControl::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (rect().contains(event->position().toPoint()) && click_) click_();
}

}  // namespace platform::qt
