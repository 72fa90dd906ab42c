// Owners of system handles: each frees its handle the way the system asks
// for that kind, when the owner goes, whichever way it goes.
#pragma once

#include <memory>
#include <type_traits>

// Included where native.h is: after the platform headers.
#include "platform/win/native.h"

namespace platform::win32 {

struct IconDestroyer {
  void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
struct HandleCloser {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
struct GlobalFreer {
  void operator()(HGLOBAL memory) const { ::GlobalFree(memory); }
};
struct KeyCloser {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};
struct LocalFreer {
  void operator()(void* memory) const { ::LocalFree(memory); }
};

using OwnedIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;
// A pen, brush, font or bitmap: HBRUSH, HFONT, HBITMAP...
template <typename Object>
using OwnedGdiObject = std::unique_ptr<std::remove_pointer_t<Object>, GdiObjectDeleter>;
// A kernel object's handle, such as a process token.
using OwnedHandle = std::unique_ptr<void, HandleCloser>;
// Memory from GlobalAlloc.
using OwnedGlobal = std::unique_ptr<void, GlobalFreer>;
// An open registry key.
using OwnedKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;
// Memory from LocalAlloc, such as a security descriptor the system made.
using OwnedLocal = std::unique_ptr<void, LocalFreer>;

}  // namespace platform::win32
