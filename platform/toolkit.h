// The window toolkit as the program sees it: create the main window from its
// design, deliver its events, and act on it. The system's implementation
// comes from MakeToolkit().
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/form_design.h"
#include "platform/pending_rights.h"
#include "platform/win32_types.h"
#include "platform/window_services.h"

namespace platform {

// Handlers of the main window's events, written by the program.
class FormEvents {
 public:
  virtual ~FormEvents() = default;

  // Runs once, with the list empty: before the window is first shown, or,
  // while the rights are asked for, once they are answered.
  virtual void Form_Load() = 0;
  // A double-click on the list, after the press has selected the entry under
  // the pointer.
  virtual void List1_DblClick() = 0;
  // Mouse events on the window's bare surface, never over a control. For a
  // press or release Button is the one button that changed, for a move the
  // set held (1 left, 2 right, 4 middle); X and Y are in twips.
  virtual void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) = 0;
  virtual void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) = 0;
  virtual void Form_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y) = 0;
  virtual void Image1_Click() = 0;
  virtual void Image2_Click() = 0;
};

// Operations on the main window. Texts are in the system's ANSI code page,
// as the registry hands them over; the toolkit converts them for display.
class FormWindow {
 public:
  virtual ~FormWindow() = default;

  // Appends after the existing entries; the list is never sorted.
  virtual void List1_AddItem(std::string_view entry) = 0;
  // The selected entry's text, empty when none is selected.
  virtual std::string List1_Text() const = 0;
  // A modal box with the message, an OK button and no icon, captioned with
  // the application title; returns when the user clicks OK.
  virtual void MsgBox(std::string_view prompt) = 0;
  // The handle the window services accept.
  virtual win::HWND hWnd() const = 0;
  // 1 minimises the window.
  virtual void SetWindowState(int state) = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // The window exists hidden until Run() shows it.
  virtual std::unique_ptr<FormWindow> CreateForm(const FormDesign& design) = 0;

  // Runs the load event, shows the window centred on the screen with the list
  // focused, and delivers events until the program ends. Returns the exit
  // status. While `rights` (may be null) are asked for, the window shows
  // first and works meanwhile, except that nothing opens a list entry; the
  // load runs once they are answered. If the program ends first, the asking
  // is withdrawn.
  virtual int Run(FormWindow& window, FormEvents& events, PendingRights* rights) = 0;

  // Handles every event waiting for the program, handlers included, then
  // returns.
  virtual void DoEvents() = 0;
  // Ends the process at once with status 0; nothing of the program runs after.
  virtual void End() = 0;

  virtual WindowServices& Windows() = 0;
};

std::unique_ptr<Toolkit> MakeToolkit(int& argc, char** argv);

// What --version and --help tell of the program.
struct ProgramAbout {
  std::string name;
  std::string version;
  std::string summary;
};

// Answers a command line from which the program does not start: --help and
// --version (status 0), and one it does not take (a usage line on the error
// stream, status 2). Needs no display. Nothing when the program should start.
std::optional<int> AnswerCommandLine(int argc, char** argv, const ProgramAbout& about);

}  // namespace platform
