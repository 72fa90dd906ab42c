#pragma once

#include <QApplication>

#include "platform/qt/qt_window_services.h"
#include "platform/toolkit.h"

namespace platform::qt {

class QtToolkit final : public Toolkit {
 public:
  QtToolkit(int& argc, char** argv);

  std::unique_ptr<FormWindow> CreateForm(const FormDesign& design) override;
  int Run(FormWindow& window, FormEvents& events) override;
  void DoEvents() override;
  void End() override;
  WindowServices& Windows() override { return windows_; }

 private:
  QApplication app_;
  QtWindowServices windows_;
};

class QtFormWindow;

// Makes the design's font available where the host has it.
void LoadTahoma();

// Where the window goes when it is first shown: centred on its screen.
QPoint CentredPosition(const QSize& window, const QRect& screen);

// Runs the load event while the window is still hidden, then shows the window
// centred with the list focused.
void StartForm(QtFormWindow& form, FormEvents& events);

}  // namespace platform::qt
