// The main window in Qt: a frameless, fixed-size widget painted by its skin,
// with the list box and image controls of its design.
#pragma once

#include <QImage>
#include <QListView>
#include <QWidget>
#include <array>

#include "platform/qt/image_control.h"
#include "platform/qt/list_entries.h"
#include "platform/qt/scaled_picture.h"
#include "platform/toolkit.h"

namespace platform::qt {

class QtFormWindow final : public QWidget, public FormWindow {
 public:
  explicit QtFormWindow(const FormDesign& design);

  void List1_AddItem(std::string_view entry) override;
  std::string List1_Text() const override;
  void MsgBox(std::string_view prompt) override;
  win::HWND hWnd() const override;
  void SetWindowState(int state) override;

  // Where the window's events go from now on.
  void SetEvents(FormEvents* events) { events_ = events; }
  // Runs the load event; only from then on do Return and a double-click
  // open the selected entry.
  void Load();

  QListView* List1() const { return list_; }
  qt::ImageControl* Image(platform::ImageControl image) const {
    return images_[static_cast<std::size_t>(image)];
  }
  const QImage& Skin() const { return skin_.Single(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString application_title_;
  FormEvents* events_ = nullptr;
  bool loaded_ = false;
  ScaledPicture skin_;
  ListEntries* entries_;
  QListView* list_;
  std::array<qt::ImageControl*, 3> images_{};
};

}  // namespace platform::qt
