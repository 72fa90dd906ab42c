#include "app/form1.h"

#include "timezones/catalogue.h"
#include "timezones/preview.h"

namespace app {
namespace {

constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;
constexpr std::int16_t kLeftButton = 1;

// a + b - c in 32-bit two's complement, wrapping like the machine does rather
// than overflowing into undefined behaviour.
win::LONG Offset(win::LONG a, win::LONG b, win::LONG c) {
  return static_cast<win::LONG>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b) -
                                static_cast<std::uint32_t>(c));
}

}  // namespace

Form1::Form1(platform::FormWindow& window, platform::Toolkit& toolkit, platform::Registry& registry,
             platform::SystemServices& system)
    : window_(window), toolkit_(toolkit), registry_(registry), system_(system) {}

void Form1::Form_Load() {
  TimeZonesKeyPath = timezones::FillTimeZoneList(registry_, system_, window_);
}

void Form1::List1_DblClick() {
  timezones::PreviewSelectedTimeZone(registry_, system_, window_, TimeZonesKeyPath);
}

void Form1::Form_MouseDown(std::int16_t Button, std::int16_t, float, float) {
  if (Button != kLeftButton) return;
  Dragging = kTrue;
  platform::WindowServices& user32 = toolkit_.Windows();
  user32.GetCursorPos(&DragStartCursor);
  user32.GetWindowRect(window_.hWnd(), &DragStartRect);
  user32.SetCapture(window_.hWnd());
}

void Form1::Form_MouseMove(std::int16_t Button, std::int16_t, float, float) {
  if (Button != kLeftButton || Dragging == kFalse || MoveBusy != kFalse) return;
  MoveBusy = kTrue;
  // Moves that arrive meanwhile find MoveBusy set and are dropped; a press or
  // release handled here still counts for the move under way.
  toolkit_.DoEvents();
  platform::WindowServices& user32 = toolkit_.Windows();
  win::POINT cursor{};
  user32.GetCursorPos(&cursor);
  const win::LONG top = Offset(DragStartRect.top, cursor.y, DragStartCursor.y);
  const win::LONG left = Offset(DragStartRect.left, cursor.x, DragStartCursor.x);
  user32.SetWindowPos(window_.hWnd(), win::HWND{0}, left, top, 0, 0,
                      win::SWP_NOSIZE | win::SWP_NOZORDER);
  MoveBusy = kFalse;
}

void Form1::Form_MouseUp(std::int16_t Button, std::int16_t, float, float) {
  if (Button == kLeftButton && Dragging != kFalse) {
    Dragging = kFalse;
    toolkit_.Windows().ReleaseCapture();
  }
}

void Form1::Image1_Click() { window_.SetWindowState(1); }

void Form1::Image2_Click() { toolkit_.End(); }

}  // namespace app
