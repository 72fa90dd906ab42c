// The window services over Qt: the cursor, the top-level windows' frames,
// and mouse capture as a mouse grab.
#pragma once

#include "platform/window_services.h"

class QWidget;

namespace platform::qt {

class QtWindowServices final : public WindowServices {
 public:
  win::BOOL GetCursorPos(win::POINT* lpPoint) override;
  win::BOOL GetWindowRect(win::HWND hWnd, win::RECT* lpRect) override;
  win::BOOL SetWindowPos(win::HWND hWnd, win::HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         win::UINT uFlags) override;
  win::HWND SetCapture(win::HWND hWnd) override;
  win::BOOL ReleaseCapture() override;
};

}  // namespace platform::qt
