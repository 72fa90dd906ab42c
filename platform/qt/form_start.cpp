#include "platform/qt/form_start.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/qt/qt_form_window.h"

namespace platform::qt {

FormStart::FormStart(QtFormWindow& form, FormEvents& events, PendingRights* rights)
    : rights_(rights) {
  form.SetEvents(&events);
  const int answer = rights != nullptr ? rights->AnswerDescriptor() : -1;
  if (answer < 0) form.Load();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    form.move(area.left() + (area.width() - form.width()) / 2,
              area.top() + (area.height() - form.height()) / 2);
  }
  form.show();
  form.List1()->setFocus();
  if (answer < 0) return;
  // A notifier, not a read: the answer may take as long as the password.
  answer_ = new QSocketNotifier(answer, QSocketNotifier::Read, this);
  connect(answer_, &QSocketNotifier::activated, this, [this, &form] {
    StopWaiting();
    form.Load();
  });
}

FormStart::~FormStart() {
  if (answer_ == nullptr) return;
  StopWaiting();
  rights_->Withdraw();
}

// Before the descriptor closes, which the load or the withdrawal does.
void FormStart::StopWaiting() {
  answer_->setEnabled(false);
  answer_->deleteLater();
  answer_ = nullptr;
}

}  // namespace platform::qt
