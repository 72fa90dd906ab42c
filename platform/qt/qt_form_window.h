// The main window in Qt: a frameless, fixed-size widget painted by its skin,
// with the list box and image controls of its design.
#pragma once

#include <QListWidget>
#include <QPixmap>
#include <QWidget>
#include <array>

#include "platform/toolkit.h"

class QLabel;

namespace platform::qt {

class QtFormWindow final : public QWidget, public FormWindow {
 public:
  explicit QtFormWindow(const FormDesign& design);

  void List1_AddItem(std::string_view entry) override;

  QListWidget* List1() const { return list_; }
  QLabel* Image(ImageControl image) const { return images_[static_cast<std::size_t>(image)]; }
  const QPixmap& Skin() const { return skin_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap skin_;
  QListWidget* list_;
  std::array<QLabel*, 3> images_{};
};

// Where a picture named in a design is stored among the program's resources.
QString PictureResource(const std::string& picture);

}  // namespace platform::qt
