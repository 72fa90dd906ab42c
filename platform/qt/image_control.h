// An image control: draws its picture unscaled (or nothing), shows a tooltip,
// and keeps every mouse event to itself so none reaches the window beneath.
#pragma once

#include <QLabel>
#include <functional>

namespace platform::qt {

class ImageControl final : public QLabel {
 public:
  explicit ImageControl(QWidget* parent);

  // A click is a left press and a left release both over the control.
  void OnClick(std::function<void()> handler) { click_ = std::move(handler); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::function<void()> click_;
  bool pressed_ = false;
};

}  // namespace platform::qt
