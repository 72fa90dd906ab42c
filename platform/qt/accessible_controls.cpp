#include "platform/qt/accessible_controls.h"

#include <QAccessibleWidget>
#include <QTimer>

#include "platform/qt/image_control.h"
#include "platform/qt/qt_form_window.h"

namespace platform::qt {
namespace {

class AccessibleImage final : public QAccessibleWidget {
 public:
  explicit AccessibleImage(ImageControl* image)
      : QAccessibleWidget(image, image->TakesClicks() ? QAccessible::Button : QAccessible::Client),
        image_(image) {}

  // A button's tooltip is its name, not also its description.
  QString text(QAccessible::Text t) const override {
    if (role() != QAccessible::Button) return QAccessibleWidget::text(t);
    if (t == QAccessible::Name) return image_->toolTip();
    return t == QAccessible::Description ? QString() : QAccessibleWidget::text(t);
  }

  QStringList actionNames() const override {
    return image_->TakesClicks() ? QStringList{pressAction()} : QAccessibleWidget::actionNames();
  }

  // Deferred, as Qt's own buttons press, so the click runs from the event
  // loop and not inside the screen reader's request.
  void doAction(const QString& action) override {
    if (action != pressAction() || !image_->TakesClicks())
      return QAccessibleWidget::doAction(action);
    QTimer::singleShot(0, image_, [image = image_] { image->Click(); });
  }

 private:
  ImageControl* image_;
};

QAccessibleInterface* MakeAccessible(const QString&, QObject* object) {
  if (auto* image = dynamic_cast<ImageControl*>(object)) return new AccessibleImage(image);
  if (auto* form = dynamic_cast<QtFormWindow*>(object)) {
    return new QAccessibleWidget(form, QAccessible::Window);
  }
  return nullptr;
}

}  // namespace

void InstallAccessibleControls() { QAccessible::installFactory(MakeAccessible); }

}  // namespace platform::qt
