#include "platform/qt/qt_window_services.h"

#include <QCursor>
#include <QWidget>

namespace platform::qt {
namespace {

QWidget* WidgetOf(win::HWND hWnd) { return QWidget::find(static_cast<WId>(hWnd)); }

win::HWND HandleOf(const QWidget* widget) {
  return win::HWND{widget != nullptr ? static_cast<std::uintptr_t>(widget->winId()) : 0};
}

}  // namespace

win::BOOL QtWindowServices::GetCursorPos(win::POINT* point) {
  if (point == nullptr) return 0;
  const QPoint pos = QCursor::pos();
  *point = {pos.x(), pos.y()};
  return 1;
}

win::BOOL QtWindowServices::GetWindowRect(win::HWND hWnd, win::RECT* rect) {
  QWidget* widget = WidgetOf(hWnd);
  if (widget == nullptr || rect == nullptr) return 0;
  const QRect frame = widget->frameGeometry();
  *rect = {frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()};
  return 1;
}

win::BOOL QtWindowServices::SetWindowPos(win::HWND hWnd, win::HWND, int x, int y, int cx, int cy,
                                         win::UINT flags) {
  QWidget* widget = WidgetOf(hWnd);
  if (widget == nullptr) return 0;
  // A top-level's move() places its frame, as SetWindowPos does.
  widget->move(x, y);
  if ((flags & win::SWP_NOSIZE) == 0) widget->resize(cx, cy);
  return 1;
}

win::HWND QtWindowServices::SetCapture(win::HWND hWnd) {
  const win::HWND previous = HandleOf(QWidget::mouseGrabber());
  if (QWidget* widget = WidgetOf(hWnd)) widget->grabMouse();
  return previous;
}

win::BOOL QtWindowServices::ReleaseCapture() {
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  return 1;
}

}  // namespace platform::qt
