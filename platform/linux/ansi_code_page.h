// The ANSI code page of a Windows program is, on Linux, the character set of
// the locale (LC_CTYPE).
#pragma once

#include "platform/win32_types.h"

namespace platform::linux_tz {

// MultiByteToWideChar for CP_ACP: converts `in_size` bytes (-1: up to and
// including the NUL) into UTF-16. With `out_size` 0 returns the characters
// needed; returns 0 when they do not fit. Bytes that are not valid in the
// character set become U+FFFD, as Windows does without MB_ERR_INVALID_CHARS.
int AnsiToWide(const char* in, int in_size, win::WCHAR* out, int out_size);

}  // namespace platform::linux_tz
