// How the main window first shows and loads.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include "platform/pending_rights.h"
#include "platform/toolkit.h"

namespace platform::qt {

class QtFormWindow;

// Shows the window centred on its screen with the list focused, and runs its
// load event: before showing it when no rights are pending; otherwise once
// they are answered, the event loop running meanwhile, so that the window can
// be seen, moved and closed while polkit asks.
class FormStart final : public QObject {
 public:
  FormStart(QtFormWindow& form, FormEvents& events, PendingRights* rights);
  // Withdraws rights still pending; the load then never runs.
  ~FormStart() override;
  FormStart(const FormStart&) = delete;
  FormStart& operator=(const FormStart&) = delete;

 private:
  void StopWaiting();

  PendingRights* rights_;
  QSocketNotifier* answer_ = nullptr;
};

}  // namespace platform::qt
