# The Debian package, and the RPM. Included from packaging/CMakeLists.txt,
# which sets the TALVANE_* names; run `cpack` in the build directory for the
# Debian package, `cpack -G RPM` for the RPM.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME "${TALVANE_PACKAGE_NAME}")
set(CPACK_PACKAGE_VERSION "${TALVANE_VERSION}")
set(CPACK_PACKAGE_VENDOR "${TALVANE_COMPANY_NAME}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${TALVANE_HOME_PAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${TALVANE_SUMMARY}")
set(CPACK_PACKAGE_DESCRIPTION "${TALVANE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
# The paths written into the desktop entry and the polkit action were fixed at
# configure time from CMAKE_INSTALL_PREFIX; the package must put files there.
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The changelog's newest entry names the version and who signed it; the
# package takes its maintainer from there and must carry the same version.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog _newest LIMIT_COUNT 1)
string(REGEX MATCH "\\(([^)]*)\\)" _ "${_newest}")
if(NOT CMAKE_MATCH_1 STREQUAL TALVANE_VERSION)
  message(FATAL_ERROR "packaging/changelog: the newest entry is for ${CMAKE_MATCH_1}, "
                      "the version is ${TALVANE_VERSION}; add an entry")
endif()
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog _signed REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX REPLACE "^ -- (.*>)  .*$" "\\1" CPACK_DEBIAN_PACKAGE_MAINTAINER "${_signed}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# pkexec is its own package from Debian 12 on; policykit-1 carries it before.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "tzdata, pkexec | policykit-1")
# Enabling and forgetting the boot-time recovery unit.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_BINARY_DIR}/debian/postinst;${CMAKE_CURRENT_BINARY_DIR}/debian/postrm")
# Tahoma, without which the window quietly uses another font; and Qt's
# Wayland platform, without which the program cannot start on a Wayland
# session that offers no X.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, qt6-wayland")

include(${CMAKE_CURRENT_LIST_DIR}/rpm/rpm.cmake)
include(CPack)
