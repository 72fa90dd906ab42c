# The 32-bit Windows build: Windows XP (5.1) and later.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TALVANE_WINDOWS_VERSION 0x0501)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
