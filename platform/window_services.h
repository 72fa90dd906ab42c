// The window-management calls the program makes, with the Windows signatures.
// The toolkit provides them, since only it knows its windows.
#pragma once

#include "platform/win32_types.h"

namespace platform {

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // Screen pixels.
  virtual win::BOOL GetCursorPos(win::POINT* lpPoint) = 0;
  // The window's frame in screen pixels; right and bottom lie just outside.
  virtual win::BOOL GetWindowRect(win::HWND hWnd, win::RECT* lpRect) = 0;
  virtual win::BOOL SetWindowPos(win::HWND hWnd, win::HWND hWndInsertAfter, int X, int Y, int cx,
                                 int cy, win::UINT uFlags) = 0;
  // Mouse input goes to the window until released, wherever the pointer is.
  virtual win::HWND SetCapture(win::HWND hWnd) = 0;
  virtual win::BOOL ReleaseCapture() = 0;
};

}  // namespace platform
