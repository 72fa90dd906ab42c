#include "platform/qt/qt_toolkit.h"

#include <QFontDatabase>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/display_guard.h"
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
  form.SetEvents(&events);
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

void QtToolkit::DoEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtToolkit::End() {
  std::fflush(nullptr);
  std::_Exit(0);
}

namespace {

// On a Wayland session with X available, X gives the program what it needs:
// the global cursor position and placing its own window. A platform the user
// chose is kept.
void PreferX11() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
}

}  // namespace

}  // namespace platform::qt

namespace platform {

std::unique_ptr<Toolkit> MakeToolkit(int& argc, char** argv) {
  qt::PreferX11();
  const qt::DisplayGuard guard;
  return std::make_unique<qt::QtToolkit>(argc, argv);
}

}  // namespace platform
