#include "platform/qt/qt_form_window.h"

#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QWindow>

#include "platform/qt/accessible_controls.h"
#include "platform/qt/embedded_pictures.h"

namespace platform::qt {
namespace {

QRect ToQRect(const PixelRect& r) { return QRect(r.left, r.top, r.width, r.height); }

// Windows weights run 100..900 like Qt 6's, so they carry over unchanged.
QFont ToQFont(const FontDesign& design) {
  QFont font(QString::fromStdString(design.family));
  font.setPointSizeF(design.points);
  font.setWeight(static_cast<QFont::Weight>(design.weight));
  font.setItalic(design.italic);
  font.setUnderline(design.underline);
  font.setStrikeOut(design.strikeout);
  return font;
}

QListView* MakeListBox(QWidget* parent, QAbstractItemModel* entries, const ListBoxDesign& design) {
  auto* list = new QListView(parent);
  list->setModel(entries);
  list->setGeometry(ToQRect(design.rect));
  list->setFont(ToQFont(design.font));
  QPalette palette = list->palette();
  palette.setColor(QPalette::Base,
                   QColor(design.background.red, design.background.green, design.background.blue));
  list->setPalette(palette);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Every entry is one line in one font: measuring the first sizes them all.
  list->setUniformItemSizes(true);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setToolTip(QString::fromStdString(design.tooltip));
  list->setAccessibleName(QString::fromStdString(design.accessible_name));
  return list;
}

qt::ImageControl* MakeImage(QWidget* parent, const ImageDesign& design) {
  auto* image = new qt::ImageControl(parent);
  image->setGeometry(ToQRect(design.rect));
  if (!design.picture.empty()) image->SetPicture(ScaledPicture(design.picture));
  image->setToolTip(QString::fromStdString(design.tooltip));
  return image;
}

// Return and Enter open the selected entry as a double-click does; a held
// key's repeats would reach the message it opens.
bool OpensEntry(const QKeyEvent& key) {
  return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) && !key.isAutoRepeat() &&
         (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

struct MouseArguments {
  std::int16_t button;
  std::int16_t shift;
  float x;
  float y;
};

std::int16_t ButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

std::int16_t ButtonsCode(Qt::MouseButtons buttons) {
  std::int16_t code = 0;
  for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    if (buttons.testFlag(button)) code = static_cast<std::int16_t>(code | ButtonCode(button));
  }
  return code;
}

// Positions in twips, 15 to the pixel, as the window's design measures them.
MouseArguments ArgumentsOf(const QMouseEvent& event, std::int16_t button) {
  const Qt::KeyboardModifiers keys = event.modifiers();
  const std::int16_t shift = static_cast<std::int16_t>(
      (keys.testFlag(Qt::ShiftModifier) ? 1 : 0) | (keys.testFlag(Qt::ControlModifier) ? 2 : 0) |
      (keys.testFlag(Qt::AltModifier) ? 4 : 0));
  return {button, shift, static_cast<float>(event.position().x() * 15),
          static_cast<float>(event.position().y() * 15)};
}

// The pixmaps keep the pictures' ARGB32, which is what the window system takes
// for the icon, so none is converted or copied on the way.
QIcon IconOf(const std::string& picture) {
  QIcon icon;
  for (const QImage& image : EmbeddedPicture(picture)) {
    icon.addPixmap(QPixmap::fromImage(image, Qt::NoFormatConversion));
  }
  return icon;
}

}  // namespace

QtFormWindow::QtFormWindow(const FormDesign& design)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      application_title_(QString::fromStdString(design.application_title)),
      skin_(design.background_picture),
      entries_(new ListEntries(this)) {
  InstallAccessibleControls();
  setWindowTitle(QString::fromStdString(design.caption));
  setWindowIcon(IconOf(design.icon));
  setFixedSize(design.client_width, design.client_height);
  // Tooltips must show while another window is active, as they do on Windows.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  list_ = MakeListBox(this, entries_, design.list);
  for (auto control : {platform::ImageControl::Image3, platform::ImageControl::Image2,
                       platform::ImageControl::Image1}) {
    images_[static_cast<std::size_t>(control)] = MakeImage(this, DesignOf(design, control));
  }
  Image(platform::ImageControl::Image1)->OnClick([this] {
    if (events_ != nullptr) events_->Image1_Click();
  });
  Image(platform::ImageControl::Image2)->OnClick([this] {
    if (events_ != nullptr) events_->Image2_Click();
  });
  // Anywhere in the list, as on Windows, not only on an entry.
  list_->viewport()->installEventFilter(this);
  list_->installEventFilter(this);
}

bool QtFormWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool opens =
      (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick &&
       static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) ||
      (watched == list_ && event->type() == QEvent::KeyPress &&
       OpensEntry(*static_cast<QKeyEvent*>(event)));
  if (opens && loaded_) {
    events_->List1_DblClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void QtFormWindow::Load() {
  events_->Form_Load();
  loaded_ = true;
}

std::string QtFormWindow::List1_Text() const {
  const QModelIndexList selected = list_->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? std::string()
                            : selected.first().data().toString().toLocal8Bit().toStdString();
}

void QtFormWindow::MsgBox(std::string_view prompt) {
  QMessageBox box(QMessageBox::NoIcon, application_title_,
                  QString::fromLocal8Bit(prompt.data(), static_cast<qsizetype>(prompt.size())),
                  QMessageBox::Ok, this);
  // Some styles put an icon on the OK button; the box shows none.
  box.button(QMessageBox::Ok)->setIcon(QIcon());
  box.exec();
}

void QtFormWindow::List1_AddItem(std::string_view entry) {
  entries_->Append(QString::fromLocal8Bit(entry.data(), static_cast<qsizetype>(entry.size())));
}

win::HWND QtFormWindow::hWnd() const { return win::HWND{static_cast<std::uintptr_t>(winId())}; }

void QtFormWindow::SetWindowState(int state) {
  if (state == 1) showMinimized();
}

void QtFormWindow::mousePressEvent(QMouseEvent* event) {
  if (events_ == nullptr) return;
  const MouseArguments args = ArgumentsOf(*event, ButtonCode(event->button()));
  events_->Form_MouseDown(args.button, args.shift, args.x, args.y);
  // A Wayland client can't place its window or read the pointer outside it;
  // the compositor moves the window instead.
  if (event->button() == Qt::LeftButton && QGuiApplication::platformName() == "wayland" &&
      windowHandle() != nullptr) {
    windowHandle()->startSystemMove();
  }
}

void QtFormWindow::mouseMoveEvent(QMouseEvent* event) {
  if (events_ == nullptr) return;
  const MouseArguments args = ArgumentsOf(*event, ButtonsCode(event->buttons()));
  events_->Form_MouseMove(args.button, args.shift, args.x, args.y);
}

void QtFormWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (events_ == nullptr) return;
  const MouseArguments args = ArgumentsOf(*event, ButtonCode(event->button()));
  events_->Form_MouseUp(args.button, args.shift, args.x, args.y);
}

void QtFormWindow::paintEvent(QPaintEvent*) {
  // Unscaled from the top-left; the skin's last row falls outside the window.
  QPainter painter(this);
  skin_.Paint(painter, devicePixelRatioF());
}

}  // namespace platform::qt
