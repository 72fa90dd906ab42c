// Looks at the running program from another process under the same Wine
// server, as the end-to-end test's eyes: window geometry and styles, the
// list's entries and font, tooltips, message boxes, the time-zone setting.
// The test's hands are xdotool's, on the X display.
#include "platform/win/preview_lock.h"
// After the platform headers: see native.h.
#include "platform/win/native.h"
// After <windows.h>, which it builds on.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr char kFormClass[] = "TalvaneForm1";
constexpr char kTimeZones[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

HWND WaitForWindow(const char* window_class, const char* caption, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    HWND window = ::FindWindowA(window_class, caption);
    if (window != nullptr && ::IsWindowVisible(window)) return window;
    ::Sleep(100);
  }
  return nullptr;
}

HWND Form() { return WaitForWindow(kFormClass, nullptr, 20); }

HWND List(HWND form) { return ::FindWindowExA(form, nullptr, "ListBox", nullptr); }

int Fail(const char* what) {
  std::fprintf(stderr, "probe: %s\n", what);
  return 1;
}

// "window": screen size, window rectangle, client size, styles.
int Window() {
  HWND form = Form();
  if (form == nullptr) return Fail("no main window");
  RECT rect, client;
  ::GetWindowRect(form, &rect);
  ::GetClientRect(form, &client);
  const LONG style = ::GetWindowLongA(form, GWL_STYLE);
  const LONG ex_style = ::GetWindowLongA(form, GWL_EXSTYLE);
  char caption[64] = {};
  ::GetWindowTextA(form, caption, sizeof caption);
  std::printf("screen %d %d\n", ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  std::printf("rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
  std::printf("client %ld %ld\n", client.right, client.bottom);
  std::printf("popup %d caption %d thickframe %d border %d appwindow %d toolwindow %d\n",
              (style & WS_POPUP) != 0, (style & WS_CAPTION) == WS_CAPTION,
              (style & WS_THICKFRAME) != 0, (style & WS_BORDER) != 0,
              (ex_style & WS_EX_APPWINDOW) != 0, (ex_style & WS_EX_TOOLWINDOW) != 0);
  std::printf("title %s\n", caption);
  std::printf("iconic %d\n", ::IsIconic(form) ? 1 : 0);
  HWND list = List(form);
  // The focus of another process's thread.
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(form, nullptr), &thread);
  std::printf("focus-list %d\n", list != nullptr && thread.hwndFocus == list);
  return 0;
}

// The entry's text. Asked for in UTF-16: Wine hands an ANSI request across
// processes as UTF-16 bytes.
std::string EntryText(HWND list, LRESULT index) {
  wchar_t wide[256] = {};
  ::SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide));
  char text[256] = {};
  ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

std::vector<std::string> RegistryZones() {
  std::vector<std::string> names;
  HKEY key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTimeZones, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return names;
  }
  for (DWORD index = 0;; ++index) {
    char name[256];
    if (::RegEnumKeyA(key, index, name, sizeof name) != ERROR_SUCCESS) break;
    names.emplace_back(name);
  }
  ::RegCloseKey(key);
  return names;
}

// "list": compares the list's entries with the registry's subkeys, in order.
int ListMatchesRegistry() {
  HWND form = Form();
  HWND list = form != nullptr ? List(form) : nullptr;
  if (list == nullptr) return Fail("no list");
  const std::vector<std::string> expected = RegistryZones();
  const LRESULT count = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
  std::printf("entries %ld registry %zu\n", static_cast<long>(count), expected.size());
  if (expected.empty() || count != static_cast<LRESULT>(expected.size())) {
    return Fail("entry count differs");
  }
  for (LRESULT i = 0; i < count; ++i) {
    const std::string text = EntryText(list, i);
    if (expected[i] != text) {
      std::fprintf(stderr, "probe: entry %ld is '%s', registry has '%s'\n", static_cast<long>(i),
                   text.c_str(), expected[i].c_str());
      return 1;
    }
  }
  std::printf("list matches the registry\n");
  return 0;
}

// "entry NAME": scrolls the entry into view and prints the screen point of
// its centre.
int EntryPoint(const char* name) {
  HWND form = Form();
  HWND list = form != nullptr ? List(form) : nullptr;
  if (list == nullptr) return Fail("no list");
  const LRESULT index = ::SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(name));
  if (index == LB_ERR) return Fail("no such entry");
  ::SendMessageA(list, LB_SETTOPINDEX, index, 0);
  const LRESULT top = ::SendMessageA(list, LB_GETTOPINDEX, 0, 0);
  const LRESULT height = ::SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
  POINT point{20, static_cast<LONG>((index - top) * height + height / 2)};
  ::ClientToScreen(list, &point);
  std::printf("%ld %ld\n", point.x, point.y);
  return 0;
}

std::string Utf8(const wchar_t* text) {
  char bytes[1024] = {};
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
  return bytes;
}

struct Tooltips {
  DWORD process = 0;
  std::vector<HWND> windows;
};

BOOL CALLBACK AddTooltip(HWND window, LPARAM found) {
  auto& tooltips = *reinterpret_cast<Tooltips*>(found);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  wchar_t window_class[64] = {};
  ::GetClassNameW(window, window_class, 64);
  if (process == tooltips.process && std::wcscmp(window_class, TOOLTIPS_CLASSW) == 0) {
    tooltips.windows.push_back(window);
  }
  return TRUE;
}

// The tooltip controls the program's process made: top-level windows, owned
// by the form but not its children.
Tooltips ProgramTooltips(HWND form) {
  Tooltips tooltips;
  ::GetWindowThreadProcessId(form, &tooltips.process);
  ::EnumWindows(AddTooltip, reinterpret_cast<LPARAM>(&tooltips));
  return tooltips;
}

HWND VisibleTooltip(HWND form) {
  for (HWND tooltip : ProgramTooltips(form).windows) {
    if (::IsWindowVisible(tooltip)) return tooltip;
  }
  return nullptr;
}

// "tools": every tool of the program's tooltips, as "list: TEXT" or
// "area LEFT TOP RIGHT BOTTOM: TEXT". TTM_ENUMTOOLSW writes through its
// pointer in the program's process, so the structure and the text buffer are
// made there.
int Tools() {
  HWND form = Form();
  HWND list = form != nullptr ? List(form) : nullptr;
  if (list == nullptr) return Fail("no list");
  const Tooltips tooltips = ProgramTooltips(form);
  if (tooltips.windows.empty()) return Fail("the program has no tooltip control");
  HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 tooltips.process);
  if (process == nullptr) return Fail("cannot open the program's process");
  constexpr std::size_t kTextChars = 1024;
  constexpr SIZE_T kSize = sizeof(TTTOOLINFOW) + kTextChars * sizeof(wchar_t);
  auto* remote = static_cast<char*>(
      ::VirtualAllocEx(process, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (remote == nullptr) {
    ::CloseHandle(process);
    return Fail("cannot allocate in the program's process");
  }
  wchar_t* remote_text = reinterpret_cast<wchar_t*>(remote + sizeof(TTTOOLINFOW));
  int status = 0;
  for (HWND tooltip : tooltips.windows) {
    const LRESULT count = ::SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0);
    for (LRESULT i = 0; i < count && status == 0; ++i) {
      TTTOOLINFOW tool{};
      tool.cbSize = sizeof tool;
      tool.lpszText = remote_text;
      std::vector<wchar_t> text(kTextChars, L'\0');
      SIZE_T moved = 0;
      if (!::WriteProcessMemory(process, remote, &tool, sizeof tool, &moved) ||
          !::WriteProcessMemory(process, remote_text, text.data(), kTextChars * sizeof(wchar_t),
                                &moved) ||
          !::SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote)) ||
          !::ReadProcessMemory(process, remote, &tool, sizeof tool, &moved) ||
          !::ReadProcessMemory(process, remote_text, text.data(),
                               (kTextChars - 1) * sizeof(wchar_t), &moved)) {
        status = Fail("cannot read a tool");
        break;
      }
      if ((tool.uFlags & TTF_IDISHWND) != 0) {
        const bool is_list = reinterpret_cast<HWND>(tool.uId) == list;
        std::printf("%s: %s\n", is_list ? "list" : "other window", Utf8(text.data()).c_str());
      } else {
        std::printf("area %ld %ld %ld %ld: %s\n", tool.rect.left, tool.rect.top, tool.rect.right,
                    tool.rect.bottom, Utf8(text.data()).c_str());
      }
    }
  }
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
  return status;
}

// "tooltip SECONDS": waits for one of the program's tooltips to show and
// prints the text it shows. WM_GETTEXT is one of the messages Wine carries
// across processes.
int TooltipShown(int seconds) {
  HWND form = Form();
  if (form == nullptr) return Fail("no main window");
  for (int i = 0; i < seconds * 10; ++i) {
    if (HWND tooltip = VisibleTooltip(form)) {
      wchar_t text[1024] = {};
      ::SendMessageW(tooltip, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
      std::printf("%s\n", Utf8(text).c_str());
      return 0;
    }
    ::Sleep(100);
  }
  return Fail("no tooltip showed");
}

// "notooltip SECONDS": waits until none of the program's tooltips shows.
int NoTooltip(int seconds) {
  HWND form = Form();
  if (form == nullptr) return Fail("no main window");
  for (int i = 0; i < seconds * 10; ++i) {
    if (VisibleTooltip(form) == nullptr) return 0;
    ::Sleep(100);
  }
  return Fail("a tooltip stays up");
}

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// A bitmap's pixels, read back as 0xRRGGBB, top row first.
struct Pixels {
  int width = 0, height = 0;
  std::vector<DWORD> rgb;
  DWORD at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x] & 0xffffff; }
};

Pixels Read(HDC dc, HBITMAP bitmap, int width, int height) {
  Pixels pixels{width, height, std::vector<DWORD>(static_cast<std::size_t>(width) * height)};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  ::GetDIBits(dc, bitmap, 0, height, pixels.rgb.data(), &info, DIB_RGB_COLORS);
  return pixels;
}

// "listfont FACE PIXELS WEIGHT": the list's entries are drawn in that font.
// The program's HFONT can't be asked for: handles are the process's own, and
// Wine won't carry WM_GETFONT across processes. So the face must be
// installed (a substitute would pass any comparison with itself), the list's
// item height must be that font's, and an entry on the screen must match,
// pixel for pixel, the probe's own drawing of it in that font.
int ListFont(const char* face_name, int pixels, int weight) {
  HWND form = Form();
  HWND list = form != nullptr ? List(form) : nullptr;
  if (list == nullptr) return Fail("no list");
  wchar_t face[LF_FACESIZE] = {};
  ::MultiByteToWideChar(CP_UTF8, 0, face_name, -1, face, LF_FACESIZE);

  HDC screen = ::GetDC(nullptr);
  HDC drawing = ::CreateCompatibleDC(screen);
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  std::wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool installed = false;
  ::EnumFontFamiliesExW(drawing, &wanted, NoteFamily, reinterpret_cast<LPARAM>(&installed), 0);
  HFONT font =
      ::CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  HGDIOBJ previous_font = ::SelectObject(drawing, font);
  wchar_t used[LF_FACESIZE] = {};
  ::GetTextFaceW(drawing, LF_FACESIZE, used);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(drawing, &metrics);
  const LRESULT item_height = ::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  std::printf("installed %d face %s item-height %ld font-height %ld\n", installed ? 1 : 0,
              Utf8(used).c_str(), static_cast<long>(item_height),
              static_cast<long>(metrics.tmHeight));

  int status = 0;
  if (!installed || std::wcscmp(used, face) != 0) {
    status = Fail("the face is not installed");
  } else if (item_height != metrics.tmHeight) {
    status = Fail("the list's item height is not the font's");
  }

  // The second visible entry: neither the caret's nor the selection's.
  const LRESULT index = ::SendMessageW(list, LB_GETTOPINDEX, 0, 0) + 1;
  if (status == 0 && (::SendMessageW(list, LB_GETCURSEL, 0, 0) == index ||
                      ::SendMessageW(list, LB_GETCARETINDEX, 0, 0) == index ||
                      ::SendMessageW(list, LB_GETCOUNT, 0, 0) <= index)) {
    status = Fail("no plain entry to compare");
  }
  if (status == 0) {
    RECT client;
    ::GetClientRect(list, &client);
    const int width = client.right, height = static_cast<int>(item_height);
    POINT origin{0, static_cast<int>(item_height)};
    ::ClientToScreen(list, &origin);
    // The entry on the screen, with a margin for the search below.
    constexpr int kMargin = 3;
    HBITMAP shot = ::CreateCompatibleBitmap(screen, width + 2 * kMargin, height + 2 * kMargin);
    HGDIOBJ previous = ::SelectObject(drawing, shot);
    ::BitBlt(drawing, 0, 0, width + 2 * kMargin, height + 2 * kMargin, screen, origin.x - kMargin,
             origin.y - kMargin, SRCCOPY);
    ::SelectObject(drawing, previous);
    const Pixels on_screen = Read(drawing, shot, width + 2 * kMargin, height + 2 * kMargin);

    // The same entry drawn here, as a list box draws one.
    std::string text_utf8;
    {
      wchar_t text[256] = {};
      ::SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
      text_utf8 = Utf8(text);
      HBITMAP own = ::CreateCompatibleBitmap(screen, width, height);
      previous = ::SelectObject(drawing, own);
      const DWORD background = on_screen.at(kMargin + width - 2, kMargin + height / 2);
      ::SetBkColor(drawing, RGB(background >> 16, (background >> 8) & 0xff, background & 0xff));
      ::SetTextColor(drawing, ::GetSysColor(COLOR_WINDOWTEXT));
      RECT all{0, 0, width, height};
      ::ExtTextOutW(drawing, 1, 0, ETO_OPAQUE | ETO_CLIPPED, &all, text,
                    static_cast<UINT>(std::wcslen(text)), nullptr);
      ::SelectObject(drawing, previous);
      const Pixels drawn = Read(drawing, own, width, height);
      ::DeleteObject(own);

      // The drawing must lie on the screen's pixels exactly, at some small
      // offset: where a list box puts its text differs by a pixel or two.
      int best = width * height, best_dx = 0, best_dy = 0;
      for (int dy = -kMargin; dy <= kMargin; ++dy) {
        for (int dx = -kMargin; dx <= kMargin; ++dx) {
          int differing = 0;
          for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width - 1; ++x) {
              differing += drawn.at(x, y) != on_screen.at(x + kMargin + dx, y + kMargin + dy);
            }
          }
          if (differing < best) best = differing, best_dx = dx, best_dy = dy;
        }
      }
      std::printf("entry '%s' differs in %d pixels at best (offset %d,%d)\n", text_utf8.c_str(),
                  best, best_dx, best_dy);
      if (best != 0) status = Fail("the entry is not drawn in that font");
    }
    ::DeleteObject(shot);
  }
  ::SelectObject(drawing, previous_font);
  ::DeleteObject(font);
  ::DeleteDC(drawing);
  ::ReleaseDC(nullptr, screen);
  return status;
}

// "selected": the selected entry's text.
int Selected() {
  HWND form = Form();
  HWND list = form != nullptr ? List(form) : nullptr;
  if (list == nullptr) return Fail("no list");
  const LRESULT index = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
  std::printf("%s\n", index == LB_ERR ? "" : EntryText(list, index).c_str());
  return 0;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  char window_class[64] = {}, text[256] = {};
  ::GetClassNameA(child, window_class, sizeof window_class);
  ::GetWindowTextA(child, text, sizeof text);
  if (text[0] != '\0') std::printf("%s: %s\n", window_class, text);
  if (std::strcmp(window_class, "Button") == 0) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    std::printf("button-centre %ld %ld\n", (rect.left + rect.right) / 2,
                (rect.top + rect.bottom) / 2);
  }
  if (std::strcmp(window_class, "Static") == 0 && ::SendMessageA(child, STM_GETICON, 0, 0)) {
    std::printf("icon: yes\n");
  }
  return TRUE;
}

// "msgbox SECONDS": waits for the program's message box; prints its caption
// and controls.
int MessageBoxSeen(int seconds) {
  HWND box = WaitForWindow("#32770", "Talvane v1.0", seconds);
  if (box == nullptr) return Fail("no message box");
  HWND form = ::FindWindowA(kFormClass, nullptr);
  std::printf("caption: Talvane v1.0\n");
  std::printf("owner-is-form %d form-disabled %d\n", ::GetWindow(box, GW_OWNER) == form,
              form != nullptr && !::IsWindowEnabled(form));
  ::EnumChildWindows(box, PrintChild, 0);
  return 0;
}

// "nomsgbox": the program shows no message box.
int NoMessageBox() {
  return ::FindWindowA("#32770", "Talvane v1.0") == nullptr ? 0 : Fail("a message box is open");
}

// "tz": the system's current setting, as bytes.
int TimeZone() {
  TIME_ZONE_INFORMATION tzi{};
  const DWORD id = ::GetTimeZoneInformation(&tzi);
  std::printf("id %lu bytes", id);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&tzi);
  for (std::size_t i = 0; i < sizeof tzi; ++i) std::printf(" %02x", bytes[i]);
  std::printf("\n");
  return 0;
}

// "pixel X Y": the colour on the screen at a point of the window's client area.
int Pixel(int x, int y) {
  HWND form = Form();
  if (form == nullptr) return Fail("no main window");
  POINT point{x, y};
  ::ClientToScreen(form, &point);
  HDC screen = ::GetDC(nullptr);
  const COLORREF colour = ::GetPixel(screen, point.x, point.y);
  ::ReleaseDC(nullptr, screen);
  std::printf("%d %d %d\n", GetRValue(colour), GetGValue(colour), GetBValue(colour));
  return 0;
}

// "restore": what the task-bar button does for a minimised window.
int Restore() {
  HWND form = ::FindWindowA(kFormClass, nullptr);
  if (form == nullptr) return Fail("no main window");
  ::ShowWindow(form, SW_RESTORE);
  return 0;
}

// "holdlock S": holds the program's preview lock for S seconds, as a preview
// in another session would.
int HoldLock(int seconds) {
  platform::win32::PreviewLock lock(platform::win32::kPreviewLockName);
  if (lock.TryLock() != platform::win32::PreviewLockAttempt::kHeld) return Fail("lock not taken");
  std::puts("held");
  std::fflush(stdout);
  ::Sleep(seconds * 1000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "window") return Window();
  if (command == "list") return ListMatchesRegistry();
  if (command == "entry" && argc > 2) return EntryPoint(argv[2]);
  if (command == "selected") return Selected();
  if (command == "msgbox") return MessageBoxSeen(argc > 2 ? std::atoi(argv[2]) : 10);
  if (command == "nomsgbox") return NoMessageBox();
  if (command == "tz") return TimeZone();
  if (command == "restore") return Restore();
  if (command == "pixel" && argc > 3) return Pixel(std::atoi(argv[2]), std::atoi(argv[3]));
  if (command == "tools") return Tools();
  if (command == "listfont" && argc > 4) {
    return ListFont(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  }
  if (command == "tooltip") return TooltipShown(argc > 2 ? std::atoi(argv[2]) : 5);
  if (command == "notooltip") return NoTooltip(argc > 2 ? std::atoi(argv[2]) : 5);
  if (command == "holdlock" && argc > 2) return HoldLock(std::atoi(argv[2]));
  std::fprintf(stderr,
               "usage: e2e_probe window|list|entry NAME|selected|msgbox [S]|nomsgbox|"
               "tz|restore|pixel X Y|tools|tooltip [S]|notooltip [S]|\n"
               "listfont FACE PIXELS WEIGHT|holdlock S\n");
  return 2;
}
