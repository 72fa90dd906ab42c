#include "platform/qt/qt_toolkit.h"

#include <QFontDatabase>
#include <QScreen>

#include "platform/qt/qt_form_window.h"

namespace platform::qt {
// Wine's metric-compatible Tahoma is not where fontconfig looks; without it
// Qt quietly substitutes another family.
void LoadTahoma() {
  QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
}

QPoint CentredPosition(const QSize& window, const QRect& screen) {
  return QPoint(screen.left() + (screen.width() - window.width()) / 2,
                screen.top() + (screen.height() - window.height()) / 2);
}

QtToolkit::QtToolkit(int& argc, char** argv) : app_(argc, argv) { LoadTahoma(); }

std::unique_ptr<FormWindow> QtToolkit::CreateForm(const FormDesign& design) {
  return std::make_unique<QtFormWindow>(design);
}

void StartForm(QtFormWindow& form, FormEvents& events) {
  events.Form_Load();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    form.move(CentredPosition(form.size(), screen->geometry()));
  }
  form.show();
  form.List1()->setFocus();
}

int QtToolkit::Run(FormWindow& window, FormEvents& events) {
  StartForm(dynamic_cast<QtFormWindow&>(window), events);
  return QApplication::exec();
}

}  // namespace platform::qt

namespace platform {

std::unique_ptr<Toolkit> MakeToolkit(int& argc, char** argv) {
  return std::make_unique<qt::QtToolkit>(argc, argv);
}

}  // namespace platform
