// Starts the program, or a bare Qt window started the same way, and prints
// the CLOCK_MONOTONIC time (ns) at which its first paint has been handled,
// then exits. Usage: paint_probe talvane|bare
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/program.h"

namespace {

class FirstPaintReporter : public QObject {
 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!reported_ && event->type() == QEvent::Paint && widget != nullptr && widget->isWindow()) {
      reported_ = true;
      // Report once this paint and those queued with it are done.
      QTimer::singleShot(0, [] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        QApplication::exit(0);
      });
    }
    return false;
  }

 private:
  bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const bool bare = argc > 1 && std::strcmp(argv[1], "bare") == 0;
  const platform::SystemPaths paths;
  auto system = platform::MakeSystemServices(paths);
  auto toolkit = platform::MakeToolkit(argc, argv);
  FirstPaintReporter reporter;
  qApp->installEventFilter(&reporter);
  if (!bare) return app::RunProgram(*toolkit, *system, paths);
  QWidget window;
  window.resize(325, 495);
  window.show();
  return QApplication::exec();
}
