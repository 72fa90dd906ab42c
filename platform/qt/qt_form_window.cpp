#include "platform/qt/qt_form_window.h"

#include <QFont>
#include <QLabel>
#include <QPainter>

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

QListWidget* MakeListBox(QWidget* parent, const ListBoxDesign& design) {
  auto* list = new QListWidget(parent);
  list->setGeometry(ToQRect(design.rect));
  list->setFont(ToQFont(design.font));
  QPalette palette = list->palette();
  palette.setColor(QPalette::Base,
                   QColor(design.background.red, design.background.green, design.background.blue));
  list->setPalette(palette);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSortingEnabled(false);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setToolTip(QString::fromStdString(design.tooltip));
  return list;
}

// Presses over an image stay with it: QLabel would pass them to the window.
QLabel* MakeImage(QWidget* parent, const ImageDesign& design) {
  auto* image = new QLabel(parent);
  image->setGeometry(ToQRect(design.rect));
  image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  image->setAttribute(Qt::WA_NoMousePropagation);
  if (!design.picture.empty()) image->setPixmap(QPixmap(PictureResource(design.picture)));
  image->setToolTip(QString::fromStdString(design.tooltip));
  return image;
}

}  // namespace

QString PictureResource(const std::string& picture) {
  return QStringLiteral(":/") + QString::fromStdString(picture);
}

QtFormWindow::QtFormWindow(const FormDesign& design)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      skin_(PictureResource(design.background_picture)) {
  setWindowTitle(QString::fromStdString(design.caption));
  setWindowIcon(QIcon(PictureResource(design.icon)));
  setFixedSize(design.client_width, design.client_height);
  // Tooltips must show while another window is active, as they do on Windows.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  list_ = MakeListBox(this, design.list);
  for (auto control : {ImageControl::Image3, ImageControl::Image2, ImageControl::Image1}) {
    images_[static_cast<std::size_t>(control)] = MakeImage(this, DesignOf(design, control));
  }
}

void QtFormWindow::List1_AddItem(std::string_view entry) {
  list_->addItem(QString::fromLocal8Bit(entry.data(), static_cast<qsizetype>(entry.size())));
}

void QtFormWindow::paintEvent(QPaintEvent*) {
  // Unscaled from the top-left; the skin's last row falls outside the window.
  QPainter painter(this);
  painter.drawPixmap(0, 0, skin_);
}

}  // namespace platform::qt
