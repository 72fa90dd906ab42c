# The program's version table, defined once: the C++ header, and every other
# place that names the program or its version, are generated from it.
set(TALVANE_NAME "Talvane")
set(TALVANE_VERSION 1.0.0.0)
set(TALVANE_COMPANY_NAME "talvane.org")
set(TALVANE_HOME_PAGE "https://talvane.org")

string(REPLACE "." ";" _parts "${TALVANE_VERSION}")
list(GET _parts 0 TALVANE_VERSION_MAJOR)
list(GET _parts 1 TALVANE_VERSION_MINOR)
list(GET _parts 2 TALVANE_VERSION_PATCH)
list(GET _parts 3 TALVANE_VERSION_BUILD)
# Texts write the minor number with two digits: 1.0 is "1.00".
if(TALVANE_VERSION_MINOR LESS 10)
  set(_minor2 "0${TALVANE_VERSION_MINOR}")
else()
  set(_minor2 "${TALVANE_VERSION_MINOR}")
endif()
set(TALVANE_PRODUCT_NAME "${TALVANE_NAME} v${TALVANE_VERSION_MAJOR}.${TALVANE_VERSION_MINOR}")
set(TALVANE_FILE_VERSION "${TALVANE_VERSION_MAJOR}.${_minor2}")
set(TALVANE_PRODUCT_VERSION "${TALVANE_FILE_VERSION}")
set(TALVANE_INTERNAL_NAME "${TALVANE_PRODUCT_NAME}")
set(TALVANE_ORIGINAL_FILENAME "${TALVANE_PRODUCT_NAME}.exe")
