# The RPM, for Fedora, openSUSE and their relatives: `cpack -G RPM`. Included
# from packaging/cpack.cmake, beside the Debian package's settings.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
# cpack refuses to make it from a build whose unit goes outside /usr.
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/generator_check.cmake")
set(CPACK_TALVANE_SYSTEMD_UNIT_DIR "${TALVANE_SYSTEMD_UNIT_DIR}")
# The paths written into the desktop entry, the polkit action and the unit
# are fixed: the package cannot move.
set(CPACK_PACKAGE_RELOCATABLE OFF)
# rpmbuild's links from build ids to the programs are left out: there is no
# debugging information package for them to lead to. The packager is the
# Debian package's maintainer, who signed the changelog.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none
%define packager ${CPACK_DEBIAN_PACKAGE_MAINTAINER}")
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE "${TALVANE_PROJECT_LICENSE}")
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${TALVANE_DESCRIPTION}")
# tzdata and polkit (which holds pkexec) are named so on Fedora and openSUSE
# alike. Qt's widgets library is not (qt6-qtbase-gui on Fedora, libQt6Widgets6
# on openSUSE), so the package requires what both provide, its soname
# libQt6Widgets.so.6, which rpmbuild reads from the program.
set(CPACK_RPM_PACKAGE_REQUIRES "tzdata, polkit")
# Enabling, disabling and forgetting the boot-time recovery unit.
set(CPACK_RPM_POST_INSTALL_SCRIPT_FILE "${CMAKE_CURRENT_BINARY_DIR}/rpm/post")
set(CPACK_RPM_PRE_UNINSTALL_SCRIPT_FILE "${CMAKE_CURRENT_BINARY_DIR}/rpm/preun")
set(CPACK_RPM_POST_UNINSTALL_SCRIPT_FILE "${CMAKE_CURRENT_BINARY_DIR}/rpm/postun")

# The changelog is the Debian one, written in RPM's form.
set(CPACK_RPM_CHANGELOG_FILE "${CMAKE_CURRENT_BINARY_DIR}/rpm/changelog")
add_custom_command(
  OUTPUT ${CPACK_RPM_CHANGELOG_FILE}
  COMMAND awk -v release=${CPACK_RPM_PACKAGE_RELEASE} -f ${CMAKE_CURRENT_LIST_DIR}/changelog.awk
          ${CMAKE_CURRENT_LIST_DIR}/../changelog > ${CPACK_RPM_CHANGELOG_FILE}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog.awk ${CMAKE_CURRENT_LIST_DIR}/../changelog
  VERBATIM)
add_custom_target(talvane_rpm_changelog ALL DEPENDS ${CPACK_RPM_CHANGELOG_FILE})

# The package owns only its own directories (the keeper's and the
# documentation's); those it installs into besides, and their parents,
# belong to the system's packages.
set(_into ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR} ${TALVANE_SYSTEMD_UNIT_DIR}
          ${TALVANE_SYSTEMD_PRESET_DIR} ${CMAKE_INSTALL_FULL_MANDIR}/man1 ${CMAKE_INSTALL_FULL_DATADIR}/doc
          ${CMAKE_INSTALL_FULL_DATADIR}/applications ${CMAKE_INSTALL_FULL_DATADIR}/metainfo
          ${CMAKE_INSTALL_FULL_DATADIR}/polkit-1/actions)
foreach(edge IN LISTS TALVANE_ICON_EDGES)
  list(APPEND _into ${CMAKE_INSTALL_FULL_DATADIR}/icons/hicolor/${edge}x${edge}/apps)
endforeach()
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION "")
foreach(_dir IN LISTS _into)
  while(NOT _dir STREQUAL "/" AND NOT _dir IN_LIST CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION)
    list(APPEND CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION "${_dir}")
    get_filename_component(_dir "${_dir}" DIRECTORY)
  endwhile()
endforeach()
