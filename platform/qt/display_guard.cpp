#include "platform/qt/display_guard.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace platform::qt {
namespace {

struct HeldMessage {
  QtMsgType type;
  QByteArray file;
  int line;
  QByteArray function;
  QByteArray category;
  QString text;
};

std::mutex held_mutex;
std::vector<HeldMessage> held;
QtMessageHandler passed_on = nullptr;

QByteArray Setting(const char* variable) {
  const QByteArray value = qgetenv(variable);
  return QByteArray(variable) + (value.isEmpty() ? QByteArray(" unset") : "=" + value);
}

// Qt reports a display it cannot open as a fatal message and aborts once
// the handler returns, so the handler does not return.
void HoldOrGiveUp(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "%s: cannot open a display (%s, %s)\n", program_invocation_short_name,
                 Setting("DISPLAY").constData(), Setting("WAYLAND_DISPLAY").constData());
    std::fflush(stderr);
    std::_Exit(1);
  }
  const std::lock_guard lock(held_mutex);
  held.push_back({type, context.file, context.line, context.function, context.category, text});
}

}  // namespace

DisplayGuard::DisplayGuard() { passed_on = qInstallMessageHandler(HoldOrGiveUp); }

DisplayGuard::~DisplayGuard() {
  qInstallMessageHandler(passed_on);
  const std::lock_guard lock(held_mutex);
  for (const HeldMessage& message : held) {
    const QMessageLogContext context(message.file.constData(), message.line,
                                     message.function.constData(), message.category.constData());
    passed_on(message.type, context, message.text);
  }
  held.clear();
}

}  // namespace platform::qt
