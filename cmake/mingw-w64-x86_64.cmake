# The 64-bit Windows build: Windows XP Professional x64 Edition (5.2) and later.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TALVANE_WINDOWS_VERSION 0x0502)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
