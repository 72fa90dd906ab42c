#include "platform/qt/display_guard.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <algorithm>
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

QMessageLogContext ContextOf(const HeldMessage& message) {
  return {message.file.constData(), message.line, message.function.constData(),
          message.category.constData()};
}

QByteArray Setting(const char* variable) {
  const QByteArray value = qgetenv(variable);
  return QByteArray(variable) + (value.isEmpty() ? QByteArray(" unset") : "=" + value);
}

// What the X and Wayland platforms say before Qt gives up on them.
bool SaysNoDisplay(const HeldMessage& message) {
  return message.text.startsWith(QLatin1String("could not connect to display")) ||
         message.text.startsWith(QLatin1String("Failed to create wl_display"));
}

void PrintFormatted(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, text).toLocal8Bit().constData());
}

// Qt aborts once the handler returns from a fatal message, so the handler
// does not return then. A display that cannot be opened is said in one line;
// anything else, such as a platform plugin that cannot be loaded, as Qt said
// it.
void HoldOrGiveUp(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const std::lock_guard lock(held_mutex);
  if (type != QtFatalMsg) {
    held.push_back({type, context.file, context.line, context.function, context.category, text});
    return;
  }
  if (std::any_of(held.begin(), held.end(), SaysNoDisplay)) {
    std::fprintf(stderr, "%s: cannot open a display (%s, %s)\n", program_invocation_short_name,
                 Setting("DISPLAY").constData(), Setting("WAYLAND_DISPLAY").constData());
  } else {
    for (const HeldMessage& message : held) {
      PrintFormatted(message.type, ContextOf(message), message.text);
    }
    PrintFormatted(type, context, text);
  }
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

DisplayGuard::DisplayGuard() { passed_on = qInstallMessageHandler(HoldOrGiveUp); }

DisplayGuard::~DisplayGuard() {
  qInstallMessageHandler(passed_on);
  const std::lock_guard lock(held_mutex);
  for (const HeldMessage& message : held) passed_on(message.type, ContextOf(message), message.text);
  held.clear();
}

}  // namespace platform::qt
