#include "platform/qt/qt_toolkit.h"

#include <QFontDatabase>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/display_guard.h"
#include "platform/qt/form_start.h"
#include "platform/qt/qt_form_window.h"

namespace platform::qt {
// Wine's metric-compatible Tahoma is not where fontconfig looks; without it
// Qt quietly substitutes another family.
void LoadTahoma() {
  QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
}

QtToolkit::QtToolkit(int& argc, char** argv) : app_(argc, argv) { LoadTahoma(); }

std::unique_ptr<FormWindow> QtToolkit::CreateForm(const FormDesign& design) {
  return std::make_unique<QtFormWindow>(design);
}

// Closed while the rights are asked for, the window withdraws them as the
// start ends. End() needs not: pkexec ends when the process that started it
// does.
int QtToolkit::Run(FormWindow& window, FormEvents& events, PendingRights* rights) {
  const FormStart start(dynamic_cast<QtFormWindow&>(window), events, rights);
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
