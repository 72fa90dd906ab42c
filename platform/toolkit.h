// The window toolkit as the program sees it: create the main window from its
// design, deliver its events, and act on it. The system's implementation
// comes from MakeToolkit().
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/form_design.h"

namespace platform {

// Handlers of the main window's events, written by the program.
class FormEvents {
 public:
  virtual ~FormEvents() = default;

  // Runs once, before the window is first shown, with the list empty.
  virtual void Form_Load() = 0;
};

// Operations on the main window. Texts are in the system's ANSI code page,
// as the registry hands them over; the toolkit converts them for display.
class FormWindow {
 public:
  virtual ~FormWindow() = default;

  // Appends after the existing entries; the list is never sorted.
  virtual void List1_AddItem(std::string_view entry) = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // The window exists hidden until Run() shows it.
  virtual std::unique_ptr<FormWindow> CreateForm(const FormDesign& design) = 0;

  // Runs the load event, shows the window centred on the screen with the list
  // focused, and delivers events until the program ends. Returns the exit
  // status.
  virtual int Run(FormWindow& window, FormEvents& events) = 0;
};

std::unique_ptr<Toolkit> MakeToolkit(int& argc, char** argv);

}  // namespace platform
