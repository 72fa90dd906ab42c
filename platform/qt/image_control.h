// An image control: draws its picture unscaled from its top-left corner (or
// nothing), shows a tooltip, and keeps every mouse event to itself so none
// reaches the window beneath.
#pragma once

#include <QWidget>
#include <functional>

#include "platform/qt/scaled_picture.h"

namespace platform::qt {

class ImageControl final : public QWidget {
 public:
  explicit ImageControl(QWidget* parent);

  void SetPicture(ScaledPicture picture) { picture_ = std::move(picture); }
  // A click is a left press and a left release both over the control.
  void OnClick(std::function<void()> handler) { click_ = std::move(handler); }
  bool TakesClicks() const { return static_cast<bool>(click_); }
  // What a click does.
  void Click() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  ScaledPicture picture_;
  std::function<void()> click_;
  bool pressed_ = false;
};

}  // namespace platform::qt
