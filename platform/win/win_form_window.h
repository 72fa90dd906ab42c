// The main window as a plain Win32 window: a frameless popup painted with
// the skin, a list box, and image controls that are areas of the window
// itself (they draw into the skin and take clicks), with tooltips.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/toolkit.h"

namespace platform::win32 {

class Win32FormWindow final : public FormWindow {
 public:
  // Creates the window hidden. Pictures come from the executable's resources,
  // named by their design path.
  explicit Win32FormWindow(const FormDesign& design);
  ~Win32FormWindow() override;

  void List1_AddItem(std::string_view entry) override;
  std::string List1_Text() const override;
  void MsgBox(std::string_view prompt) override;
  win::HWND hWnd() const override;
  void SetWindowState(int state) override;

  // Events go to `events` from now on; null stops them.
  void Connect(FormEvents* events);
  // Shows the window centred on the screen with the list focused.
  void ShowCentred();

  struct Native;

 private:
  std::unique_ptr<Native> native_;
};

}  // namespace platform::win32
