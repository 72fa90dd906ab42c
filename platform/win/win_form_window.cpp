#include "platform/win/win_form_window.h"

#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/win/gif_transparency.h"
#include "platform/win/session_restore.h"
// After the platform headers: see native.h.
#include "platform/win/native.h"
#include "platform/win/owned_handles.h"
// GDI+ after <windows.h>, which it builds on.
#include <commctrl.h>
#include <gdiplus.h>
#include <windowsx.h>

namespace platform::win32 {
namespace {

constexpr char kWindowClass[] = "TalvaneForm1";
constexpr int kListId = 1;
// The design is laid out in twips, 15 to the pixel at 96 dots per inch.
constexpr float kTwipsPerPixel = 15.0f;

struct Picture {
  IStream* stream = nullptr;  // GDI+ reads from it for the bitmap's lifetime
  std::unique_ptr<Gdiplus::Bitmap> bitmap;
  std::optional<Rgb> transparent;

  Picture() = default;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  ~Picture() {
    bitmap.reset();
    if (stream != nullptr) stream->Release();
  }
};

// A picture is an RCDATA resource named by its design path, upper case, with
// an underscore for every character other than a letter or digit.
std::string ResourceName(const std::string& path) {
  std::string name;
  for (const char c : path) {
    const bool letter_or_digit =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    name += letter_or_digit ? static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) : '_';
  }
  return name;
}

std::unique_ptr<Picture> LoadPicture(const std::string& path) {
  auto picture = std::make_unique<Picture>();
  HRSRC resource =
      ::FindResourceA(nullptr, ResourceName(path).c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (resource == nullptr) return picture;
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr) return picture;
  const DWORD size = ::SizeofResource(nullptr, resource);
  picture->transparent = GifTransparentColour(static_cast<const std::uint8_t*>(bytes), size);
  // A stream over a copy: CreateStreamOnHGlobal, unlike SHCreateMemStream,
  // is exported by name on every Windows, and it wants memory of its own.
  OwnedGlobal copy(::GlobalAlloc(GMEM_MOVEABLE, size));
  void* copy_bytes = copy ? ::GlobalLock(copy.get()) : nullptr;
  if (copy_bytes == nullptr) return picture;
  std::memcpy(copy_bytes, bytes, size);
  ::GlobalUnlock(copy.get());
  if (FAILED(::CreateStreamOnHGlobal(copy.get(), TRUE, &picture->stream))) return picture;
  // The stream frees it when released.
  copy.release();
  picture->bitmap.reset(Gdiplus::Bitmap::FromStream(picture->stream));
  if (picture->bitmap && picture->bitmap->GetLastStatus() != Gdiplus::Ok) picture->bitmap.reset();
  return picture;
}

// Drawn at the picture's own pixel size: the size-less DrawImage would scale
// by the file's resolution.
void DrawUnscaled(Gdiplus::Graphics& graphics, Picture& picture, int x, int y) {
  if (!picture.bitmap) return;
  const INT width = static_cast<INT>(picture.bitmap->GetWidth());
  const INT height = static_cast<INT>(picture.bitmap->GetHeight());
  Gdiplus::ImageAttributes attributes;
  if (picture.transparent) {
    const Gdiplus::Color key(picture.transparent->red, picture.transparent->green,
                             picture.transparent->blue);
    attributes.SetColorKey(key, key);
  }
  graphics.DrawImage(picture.bitmap.get(), Gdiplus::Rect(x, y, width, height), 0, 0, width, height,
                     Gdiplus::UnitPixel, &attributes);
}

bool Contains(const PixelRect& rect, int x, int y) {
  return x >= rect.left && x < rect.left + rect.width && y >= rect.top &&
         y < rect.top + rect.height;
}

std::int16_t ShiftState() {
  std::int16_t shift = 0;
  if (::GetKeyState(VK_SHIFT) < 0) shift |= 1;
  if (::GetKeyState(VK_CONTROL) < 0) shift |= 2;
  if (::GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

std::int16_t HeldButtons(WPARAM keys) {
  std::int16_t buttons = 0;
  if (keys & MK_LBUTTON) buttons |= 1;
  if (keys & MK_RBUTTON) buttons |= 2;
  if (keys & MK_MBUTTON) buttons |= 4;
  return buttons;
}

}  // namespace

struct Win32FormWindow::Native {
  FormDesign design;
  HWND window = nullptr;
  HWND list = nullptr;
  HWND tooltip = nullptr;
  OwnedGdiObject<HFONT> list_font;
  OwnedGdiObject<HBRUSH> list_brush;
  OwnedGdiObject<HBITMAP> skin;  // the skin with the image controls drawn on it
  OwnedIcon big_icon;
  OwnedIcon small_icon;
  FormEvents* events = nullptr;
  // The image control pressed with the left button, until its release.
  std::optional<std::size_t> pressed_image;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  std::optional<std::size_t> ImageAt(int x, int y) const {
    for (std::size_t i = 0; i < design.images.size(); ++i) {
      if (Contains(design.images[i].rect, x, y)) return i;
    }
    return std::nullopt;
  }
  // The window's own mouse events come from its bare surface, or from
  // anywhere while the program holds the capture for a drag.
  bool ForForm(int x, int y) const {
    return !pressed_image && (::GetCapture() == window || !ImageAt(x, y));
  }
  void ButtonDown(std::int16_t button, LPARAM lParam);
  void ButtonUp(std::int16_t button, LPARAM lParam);
  void ComposeSkin();
  void AddTooltips();
};

void Win32FormWindow::Native::ComposeSkin() {
  HDC screen = ::GetDC(nullptr);
  skin.reset(::CreateCompatibleBitmap(screen, design.client_width, design.client_height));
  HDC memory = ::CreateCompatibleDC(screen);
  HGDIOBJ previous = ::SelectObject(memory, skin.get());
  {
    Gdiplus::Graphics graphics(memory);
    graphics.Clear(Gdiplus::Color(255, 0, 0, 0));
    if (auto background = LoadPicture(design.background_picture)) {
      DrawUnscaled(graphics, *background, 0, 0);
    }
    for (const ImageDesign& image : design.images) {
      if (image.picture.empty()) continue;
      if (auto picture = LoadPicture(image.picture)) {
        DrawUnscaled(graphics, *picture, image.rect.left, image.rect.top);
      }
    }
  }
  ::SelectObject(memory, previous);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
}

void Win32FormWindow::Native::AddTooltips() {
  tooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                              ::GetModuleHandleA(nullptr), nullptr);
  if (tooltip == nullptr) return;
  // Long texts wrap rather than run across the screen.
  ::SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, 300);

  TTTOOLINFOA tool{};
  // The size that every comctl32 since version 5 accepts.
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(list);
  tool.lpszText = const_cast<char*>(design.list.tooltip.c_str());
  ::SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));

  // The image controls are areas of the window, so their tools are too; an
  // image without a picture still has its tip.
  for (std::size_t i = 0; i < design.images.size(); ++i) {
    const ImageDesign& image = design.images[i];
    TTTOOLINFOA area{};
    area.cbSize = TTTOOLINFOA_V2_SIZE;
    area.uFlags = TTF_SUBCLASS;
    area.hwnd = window;
    area.uId = i + 1;
    area.rect = {image.rect.left, image.rect.top, image.rect.left + image.rect.width,
                 image.rect.top + image.rect.height};
    area.lpszText = const_cast<char*>(image.tooltip.c_str());
    ::SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&area));
  }
}

void Win32FormWindow::Native::ButtonDown(std::int16_t button, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  if (ForForm(x, y)) {
    if (events != nullptr) {
      events->Form_MouseDown(button, ShiftState(), x * kTwipsPerPixel, y * kTwipsPerPixel);
    }
    return;
  }
  if (button == 1 && !pressed_image) {
    pressed_image = ImageAt(x, y);
    if (pressed_image) ::SetCapture(window);
  }
}

void Win32FormWindow::Native::ButtonUp(std::int16_t button, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  if (pressed_image) {
    if (button != 1) return;
    const std::size_t pressed = *pressed_image;
    pressed_image.reset();
    ::ReleaseCapture();
    // A click is a press and a release on the same control.
    if (events == nullptr || ImageAt(x, y) != pressed) return;
    if (pressed == static_cast<std::size_t>(ImageControl::Image1)) events->Image1_Click();
    if (pressed == static_cast<std::size_t>(ImageControl::Image2)) events->Image2_Click();
    return;
  }
  if (ForForm(x, y) && events != nullptr) {
    events->Form_MouseUp(button, ShiftState(), x * kTwipsPerPixel, y * kTwipsPerPixel);
  }
}

LRESULT CALLBACK Win32FormWindow::Native::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                                     LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Native*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->window != hwnd) {
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT Win32FormWindow::Native::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window, &paint);
      HDC memory = ::CreateCompatibleDC(dc);
      HGDIOBJ previous = ::SelectObject(memory, skin.get());
      ::BitBlt(dc, 0, 0, design.client_width, design.client_height, memory, 0, 0, SRCCOPY);
      ::SelectObject(memory, previous);
      ::DeleteDC(memory);
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_CTLCOLORLISTBOX: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const Rgb& white = design.list.background;
      ::SetBkColor(dc, RGB(white.red, white.green, white.blue));
      ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(list_brush.get());
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_DBLCLK && events != nullptr) {
        events->List1_DblClick();
      }
      return 0;
    case WM_LBUTTONDOWN:
      ButtonDown(1, lParam);
      return 0;
    case WM_RBUTTONDOWN:
      ButtonDown(2, lParam);
      return 0;
    case WM_MBUTTONDOWN:
      ButtonDown(4, lParam);
      return 0;
    case WM_LBUTTONUP:
      ButtonUp(1, lParam);
      return 0;
    case WM_RBUTTONUP:
      ButtonUp(2, lParam);
      return 0;
    case WM_MBUTTONUP:
      ButtonUp(4, lParam);
      return 0;
    case WM_MOUSEMOVE: {
      const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      if (ForForm(x, y) && events != nullptr) {
        events->Form_MouseMove(HeldButtons(wParam), ShiftState(), x * kTwipsPerPixel,
                               y * kTwipsPerPixel);
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      pressed_image.reset();
      return 0;
    case WM_SETFOCUS:
      ::SetFocus(list);
      return 0;
    case WM_ENDSESSION:
      // A preview in force when the session ends would outlive the program.
      // Only now: a shutdown asked about can still be cancelled.
      if (wParam) RunSessionRestore();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

Win32FormWindow::Win32FormWindow(const FormDesign& design) : native_(std::make_unique<Native>()) {
  Native& n = *native_;
  n.design = design;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);

  // The one icon group of the executable; the system picks the image of
  // each size from it.
  n.big_icon.reset(static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXICON),
                                                   ::GetSystemMetrics(SM_CYICON), 0)));
  n.small_icon.reset(static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                                     ::GetSystemMetrics(SM_CXSMICON),
                                                     ::GetSystemMetrics(SM_CYSMICON), 0)));

  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &Native::WindowProc;
  window_class.hInstance = instance;
  window_class.hIcon = n.big_icon.get();
  window_class.hIconSm = n.small_icon.get();
  window_class.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  window_class.lpszClassName = kWindowClass;
  ::RegisterClassExA(&window_class);

  n.ComposeSkin();
  n.list_brush.reset(::CreateSolidBrush(
      RGB(design.list.background.red, design.list.background.green, design.list.background.blue)));

  // A popup has neither frame nor caption, so the window is its client area;
  // the system menu and minimise box let the task-bar button minimise and
  // restore it, and WS_EX_APPWINDOW keeps that button.
  n.window =
      ::CreateWindowExA(WS_EX_APPWINDOW, kWindowClass, design.caption.c_str(),
                        WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                        design.client_width, design.client_height, nullptr, nullptr, instance, &n);
  if (n.window == nullptr) throw std::runtime_error("CreateWindowEx failed");

  const ListBoxDesign& list = design.list;
  // No integral height: the box keeps its designed height whatever the font.
  n.list =
      ::CreateWindowExA(0, "LISTBOX", nullptr,
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY |
                            LBS_NOINTEGRALHEIGHT,
                        list.rect.left, list.rect.top, list.rect.width, list.rect.height, n.window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance, nullptr);

  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  // Character height, rounded as Windows rounds a point size: 8.25 pt is
  // 11 pixels at 96 dots per inch.
  const int height = -static_cast<int>(list.font.points * dpi / 72.0 + 0.5);
  n.list_font.reset(::CreateFontA(height, 0, 0, 0, list.font.weight, list.font.italic,
                                  list.font.underline, list.font.strikeout, ANSI_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, list.font.family.c_str()));
  ::SendMessageA(n.list, WM_SETFONT, reinterpret_cast<WPARAM>(n.list_font.get()), FALSE);

  n.AddTooltips();
}

Win32FormWindow::~Win32FormWindow() {
  Native& n = *native_;
  n.events = nullptr;
  // The window goes before the font, brush and skin that it draws with.
  if (n.window != nullptr && ::IsWindow(n.window)) ::DestroyWindow(n.window);
}

void Win32FormWindow::List1_AddItem(std::string_view entry) {
  const std::string text(entry);
  ::SendMessageA(native_->list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string Win32FormWindow::List1_Text() const {
  const LRESULT index = ::SendMessageA(native_->list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return {};
  const LRESULT length = ::SendMessageA(native_->list, LB_GETTEXTLEN, index, 0);
  if (length == LB_ERR) return {};
  std::vector<char> text(static_cast<std::size_t>(length) + 1);
  const LRESULT copied =
      ::SendMessageA(native_->list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  if (copied == LB_ERR) return {};
  return std::string(text.data(), static_cast<std::size_t>(copied));
}

void Win32FormWindow::MsgBox(std::string_view prompt) {
  const std::string text(prompt);
  ::MessageBoxA(native_->window, text.c_str(), native_->design.application_title.c_str(), MB_OK);
}

win::HWND Win32FormWindow::hWnd() const { return FromNative(native_->window); }

void Win32FormWindow::SetWindowState(int state) {
  switch (state) {
    case 1:
      ::ShowWindow(native_->window, SW_MINIMIZE);
      break;
    case 2:
      ::ShowWindow(native_->window, SW_MAXIMIZE);
      break;
    default:
      ::ShowWindow(native_->window, SW_RESTORE);
      break;
  }
}

void Win32FormWindow::Connect(FormEvents* events) { native_->events = events; }

void Win32FormWindow::ShowCentred() {
  Native& n = *native_;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - n.design.client_width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - n.design.client_height) / 2;
  ::SetWindowPos(n.window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(n.window, SW_SHOWNORMAL);
  ::UpdateWindow(n.window);
  ::SetFocus(n.list);
}

}  // namespace platform::win32
