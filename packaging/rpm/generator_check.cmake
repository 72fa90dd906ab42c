# Read by cpack before it makes each package. An RPM is for systems that keep
# their units under /usr; one made from a build whose unit goes elsewhere
# (Debian 12's /lib/systemd/system) would put it beside theirs, marked as a
# configuration file.
if(CPACK_GENERATOR STREQUAL "RPM" AND NOT CPACK_TALVANE_SYSTEMD_UNIT_DIR MATCHES "^/usr/")
  message(FATAL_ERROR "The RPM's boot unit would go to ${CPACK_TALVANE_SYSTEMD_UNIT_DIR}: "
                      "configure with -DTALVANE_SYSTEMD_UNIT_DIR=/usr/lib/systemd/system")
endif()
