// The Win32 window toolkit: start-up, the message loop and the window calls.
#include <memory>

#include "platform/toolkit.h"
#include "platform/win/logon_run.h"
#include "platform/win/session_restore.h"
#include "platform/win/way_back_store.h"
#include "platform/win/win_form_window.h"
#include "platform/win/win_system_services.h"
// After the platform headers: see native.h.
#include "platform/win/native.h"
// After <windows.h>, which they build on.
#include <commctrl.h>
#include <gdiplus.h>

namespace platform::win32 {
namespace {

class Win32WindowServices final : public WindowServices {
 public:
  win::BOOL GetCursorPos(win::POINT* lpPoint) override {
    ::POINT point{};
    const BOOL result = ::GetCursorPos(&point);
    lpPoint->x = point.x;
    lpPoint->y = point.y;
    return result;
  }
  win::BOOL GetWindowRect(win::HWND hWnd, win::RECT* lpRect) override {
    ::RECT rect{};
    const BOOL result = ::GetWindowRect(ToNative(hWnd), &rect);
    *lpRect = {rect.left, rect.top, rect.right, rect.bottom};
    return result;
  }
  win::BOOL SetWindowPos(win::HWND hWnd, win::HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         win::UINT uFlags) override {
    return ::SetWindowPos(ToNative(hWnd), ToNative(hWndInsertAfter), X, Y, cx, cy, uFlags);
  }
  win::HWND SetCapture(win::HWND hWnd) override { return FromNative(::SetCapture(ToNative(hWnd))); }
  win::BOOL ReleaseCapture() override { return ::ReleaseCapture(); }
};

// A crash with a preview in force still puts the setting back; the crash
// then takes its usual course.
LONG WINAPI RestoreOnCrash(EXCEPTION_POINTERS*) {
  RunSessionRestore();
  return EXCEPTION_CONTINUE_SEARCH;
}

class Win32Toolkit final : public Toolkit {
 public:
  Win32Toolkit() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
    ::SetUnhandledExceptionFilter(&RestoreOnCrash);
  }
  ~Win32Toolkit() override { Gdiplus::GdiplusShutdown(gdiplus_); }

  std::unique_ptr<FormWindow> CreateForm(const FormDesign& design) override {
    return std::make_unique<Win32FormWindow>(design);
  }

  // Nothing is ever pending here (AskForRights()): the load runs before the
  // window shows, as the design has it.
  int Run(FormWindow& window, FormEvents& events, PendingRights*) override {
    // Every window this toolkit hands out is its own.
    auto& form = static_cast<Win32FormWindow&>(window);
    form.Connect(&events);
    events.Form_Load();
    form.ShowCentred();
    MSG message;
    BOOL got;
    while ((got = ::GetMessageA(&message, nullptr, 0, 0)) > 0) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
    form.Connect(nullptr);
    return got == 0 ? static_cast<int>(message.wParam) : 1;
  }

  void DoEvents() override {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // Leave it for the main loop, which ends on it.
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }

  void End() override { ::ExitProcess(0); }

  WindowServices& Windows() override { return windows_; }

 private:
  ULONG_PTR gdiplus_ = 0;
  Win32WindowServices windows_;
};

}  // namespace
}  // namespace platform::win32

namespace platform {

std::unique_ptr<Toolkit> MakeToolkit(int&, char**) {
  return std::make_unique<win32::Win32Toolkit>();
}

// A Windows program started from Explorer has no console to answer on; the
// one command line it takes is its log-on run's, which Windows gives and
// which it answers with its exit status alone, before any window.
std::optional<int> AnswerCommandLine(int argc, char** argv, const ProgramAbout&) {
  if (!win32::IsLogOnRun(argc, argv)) return std::nullopt;
  const auto ways = win32::MakeRegistryWayBackStore(std::nullopt);
  return win32::RecoverAtLogOn(win32::SystemTimeZoneApi(), *ways);
}

}  // namespace platform
