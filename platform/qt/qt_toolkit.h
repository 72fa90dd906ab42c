#pragma once

#include <QApplication>

#include "platform/qt/qt_window_services.h"
#include "platform/toolkit.h"

namespace platform::qt {

class QtToolkit final : public Toolkit {
 public:
  QtToolkit(int& argc, char** argv);

  std::unique_ptr<FormWindow> CreateForm(const FormDesign& design) override;
  int Run(FormWindow& window, FormEvents& events, PendingRights* rights) override;
  void DoEvents() override;
  void End() override;
  WindowServices& Windows() override { return windows_; }

 private:
  QApplication app_;
  QtWindowServices windows_;
};

// Makes the design's font available where the host has it.
void LoadTahoma();

}  // namespace platform::qt
