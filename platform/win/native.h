// <windows.h> for the Win32 implementations, and the conversions between
// the program's handle types and the system's. Include it after the
// platform headers: <windows.h> defines many of their constant names as
// macros.
#pragma once

#include "platform/win32_types.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform::win32 {

// The predefined roots are 32-bit values that the system sign-extends into
// 64-bit handles; every other handle is a pointer, passed through.
inline ::HKEY ToNative(win::HKEY key) {
  const auto value = static_cast<std::uintptr_t>(key);
  if (value >= 0x80000000u && value <= 0x800000FFu) {
    return reinterpret_cast<::HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<std::int32_t>(value))));
  }
  return reinterpret_cast<::HKEY>(value);
}

inline win::HKEY FromNative(::HKEY key) { return win::HKEY{reinterpret_cast<std::uintptr_t>(key)}; }

inline ::HWND ToNative(win::HWND window) {
  return reinterpret_cast<::HWND>(static_cast<std::uintptr_t>(window));
}

inline win::HWND FromNative(::HWND window) {
  return win::HWND{reinterpret_cast<std::uintptr_t>(window)};
}

}  // namespace platform::win32
