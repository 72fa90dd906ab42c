// Looks at the running program from another process under the same Wine
// server, as the end-to-end test's eyes: window geometry and styles, the
// list's entries, message boxes, the time-zone setting. The test's hands are
// xdotool's, on the X display.
#define NOMINMAX
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
  std::fprintf(stderr,
               "usage: e2e_probe window|list|entry NAME|selected|msgbox [S]|nomsgbox|"
               "tz|restore|pixel X Y\n");
  return 2;
}
