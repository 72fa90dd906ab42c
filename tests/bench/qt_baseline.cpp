// What the start-up benchmark holds the program against, all in plain Qt at
// the program's window size: an empty window, a window holding one text
// label, and the program's visible job done the ordinary way (the skin in a
// QLabel, a QListWidget of the tz database's zone names in Tahoma).
// Usage: qt_baseline empty|label|plain
#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <cstring>

namespace {

void AddPlainEquivalent(QWidget& window) {
  auto* skin = new QLabel(&window);
  skin->setPixmap(QPixmap(QStringLiteral(TALVANE_SKIN)));
  skin->setGeometry(0, 0, 325, 496);
  QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
  auto* list = new QListWidget(&window);
  list->setGeometry(48, 80, 225, 288);
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSizeF(8.25);
  list->setFont(font);
  QFile zi(QStringLiteral("/usr/share/zoneinfo/tzdata.zi"));
  if (zi.open(QIODevice::ReadOnly)) {
    while (!zi.atEnd()) {
      const QByteArray line = zi.readLine();
      if (line.startsWith("Z ")) list->addItem(QString::fromLatin1(line.split(' ').at(1)));
    }
  }
  list->setFocus();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* variant = argc > 1 ? argv[1] : "";
  QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window.setFixedSize(325, 495);
  if (std::strcmp(variant, "label") == 0) {
    new QLabel(QStringLiteral("Talvane"), &window);
  } else if (std::strcmp(variant, "plain") == 0) {
    AddPlainEquivalent(window);
  } else if (std::strcmp(variant, "empty") != 0) {
    return 2;
  }
  window.show();
  return QApplication::exec();
}
