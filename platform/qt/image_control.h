// An image control: draws its picture unscaled from its top-left corner (or
// nothing), shows a tooltip, and keeps every mouse event to itself so none
// reaches the window beneath.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

namespace platform::qt {

class ImageControl final : public QWidget {
 public:
  explicit ImageControl(QWidget* parent);

  void SetPicture(const QImage& picture) { picture_ = picture; }
  // A click is a left press and a left release both over the control.
  void OnClick(std::function<void()> handler) { click_ = std::move(handler); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
  std::function<void()> click_;
  bool pressed_ = false;
};

}  // namespace platform::qt
