// Calls that not every Windows the program runs on exports, looked up when
// needed so that the program still starts where they are missing.
#pragma once

// Included where native.h is: after the platform headers.
#include "platform/win/native.h"

namespace platform::win32 {

// `name` from the loaded `dll`; nullptr where that Windows lacks it.
template <typename Fn>
Fn SystemFunction(const char* dll, const char* name) {
  const HMODULE module = ::GetModuleHandleA(dll);
  if (module == nullptr) return nullptr;
  // The cast through void* is the documented way from FARPROC to the real type.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace platform::win32
