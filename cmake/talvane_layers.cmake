# The build's layers. Sources include headers by their path from the top of
# the tree ("platform/qt/qt_toolkit.h"), but no target sees the whole tree:
# each layer lays out links to its own headers, and only those, under an
# include root of its own in the build tree. A target can include a layer's
# headers only when it links that layer.

# The compiler's warnings, for the project's own targets only. CI sets
# TALVANE_WARNINGS_AS_ERRORS in the environment, so every build it starts,
# the package's and the Windows one included, fails on any warning.
option(TALVANE_WARNINGS_AS_ERRORS "Fail the build on any compiler warning"
       "$ENV{TALVANE_WARNINGS_AS_ERRORS}")
add_library(talvane_warnings INTERFACE)
target_compile_options(talvane_warnings INTERFACE -Wall -Wextra -Wpedantic
                       $<$<BOOL:${TALVANE_WARNINGS_AS_ERRORS}>:-Werror>)

# talvane_layer_headers(TARGET SCOPE DIR): gives TARGET, with SCOPE (PUBLIC,
# PRIVATE or INTERFACE), the headers directly in DIR (a path from the top of
# the tree), not those of its subdirectories, which are layers of their own.
function(talvane_layer_headers target scope dir)
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${root}/${dir})
  file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.h)
  foreach(header IN LISTS headers)
    get_filename_component(name ${header} NAME)
    file(CREATE_LINK ${header} ${root}/${dir}/${name} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()
