# Cross-compiling the Windows build on Debian with mingw-w64. The posix
# thread model is the one that builds GoogleTest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALVANE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALVANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALVANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in, so the executable needs no mingw DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run as Windows programs under Wine.
find_program(TALVANE_WINE wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TALVANE_WINE})
