#include "platform/qt/image_control.h"

#include <QMouseEvent>
#include <QPainter>

namespace platform::qt {

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_NoMousePropagation);
}

void ImageControl::Click() const {
  if (click_) click_();
}

void ImageControl::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  picture_.Paint(painter, devicePixelRatioF());
}

void ImageControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  event->accept();
}

void ImageControl::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (rect().contains(event->position().toPoint())) Click();
}

}  // namespace platform::qt
