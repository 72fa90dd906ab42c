# Cross-compiling the Windows build on Debian with mingw-w64; included by the
# toolchain file of each processor, which sets CMAKE_SYSTEM_PROCESSOR and
# TALVANE_WINDOWS_VERSION (the oldest Windows the build runs on, as
# _WIN32_WINNT spells it).
#
# The win32 thread model: the posix one links winpthread into libstdc++,
# and winpthread imports functions that XP lacks.
set(CMAKE_SYSTEM_NAME Windows)

set(TALVANE_MINGW_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${TALVANE_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TALVANE_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${TALVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The headers hide what the oldest Windows lacks, so a later call fails to
# compile rather than to load.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=${TALVANE_WINDOWS_VERSION} -DWINVER=${TALVANE_WINDOWS_VERSION}")
set(CMAKE_CXX_FLAGS_INIT "${CMAKE_C_FLAGS_INIT}")

# Everything linked in, so the executable needs no mingw DLLs beside it. The
# loader refuses an executable whose subsystem version is above its own
# Windows version.
math(EXPR _talvane_major "${TALVANE_WINDOWS_VERSION} >> 8")
math(EXPR _talvane_minor "${TALVANE_WINDOWS_VERSION} & 255")
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ \
-Wl,--major-subsystem-version,${_talvane_major},--minor-subsystem-version,${_talvane_minor} \
-Wl,--major-os-version,${_talvane_major},--minor-os-version,${_talvane_minor}")

# Tests run as Windows programs under Wine, through the loader of the
# build's processor. /usr/bin/wine starts the 32-bit loader whatever the
# program, and a host that can't run 32-bit programs can't run that; Debian
# keeps the 64-bit loader out of PATH, in /usr/lib/wine.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_program(TALVANE_WINE64 wine64 PATHS /usr/lib/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TALVANE_WINE64})
else()
  find_program(TALVANE_WINE wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TALVANE_WINE})
endif()
