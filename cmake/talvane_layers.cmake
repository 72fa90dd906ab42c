# The build's layers. Sources include headers by their path from the top of
# the tree ("platform/qt/qt_toolkit.h"), but no target sees the whole tree:
# each layer lays out links to its own headers, and only those, under an
# include root of its own in the build tree. A target can include a layer's
# headers only when it links that layer.

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
