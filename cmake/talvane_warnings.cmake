# The compiler's warnings, for the project's own targets only. Set in the
# environment, TALVANE_WARNINGS_AS_ERRORS overrides the cached option: CI sets
# it there, so every build it starts, the package's and the Windows one
# included, fails on any warning.
option(TALVANE_WARNINGS_AS_ERRORS "Fail the build on any compiler warning" OFF)
if(DEFINED ENV{TALVANE_WARNINGS_AS_ERRORS})
  set(TALVANE_WARNINGS_AS_ERRORS "$ENV{TALVANE_WARNINGS_AS_ERRORS}" CACHE BOOL
      "Fail the build on any compiler warning" FORCE)
endif()
add_library(talvane_warnings INTERFACE)
target_compile_options(talvane_warnings INTERFACE -Wall -Wextra -Wpedantic
                       $<$<BOOL:${TALVANE_WARNINGS_AS_ERRORS}>:-Werror>)
