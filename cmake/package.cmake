# Debian packages with CPack (scripts/package.sh): one package per install
# component. Dependencies come from the binaries (dpkg-shlibdeps).
#   lumotool_<version>_<arch>.deb       the program and its libraries
#   gardosim_<version>_<arch>.deb       the simulator's program
#   gardolink-dev_<version>_<arch>.deb  headers, pkg-config and CMake files

set(LUMO_DEB_PACKAGES lumotool gardosim gardolink-dev)
set(LUMO_DEB_COMPONENTS lumotool gardosim dev)

# Every Debian package carries its copyright file and changelog.
foreach(component pkg IN ZIP_LISTS LUMO_DEB_COMPONENTS LUMO_DEB_PACKAGES)
  set(LUMO_DEB_SOURCE lumotool)
  configure_file(${LUMO_PACKAGING_DIR}/changelog.in ${PROJECT_BINARY_DIR}/packaging/${pkg}/changelog @ONLY)
  if(LUMO_GZIP)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/${pkg}/changelog.gz
      COMMAND ${LUMO_GZIP} -9n -c ${PROJECT_BINARY_DIR}/packaging/${pkg}/changelog
              > ${PROJECT_BINARY_DIR}/packaging/${pkg}/changelog.gz
      DEPENDS ${PROJECT_BINARY_DIR}/packaging/${pkg}/changelog VERBATIM)
    add_custom_target(lumo_changelog_${component} ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/${pkg}/changelog.gz)
    install(FILES ${LUMO_PACKAGING_DIR}/copyright ${PROJECT_BINARY_DIR}/packaging/${pkg}/changelog.gz
      DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${pkg} COMPONENT ${component})
  endif()
endforeach()

set(CPACK_PACKAGE_NAME lumotool)
set(CPACK_PACKAGE_VENDOR "Mavik Elektronik")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${LUMO_MAINTAINER}")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${LUMO_DEB_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LUMO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library folder of the reduced build is private; dpkg-shlibdeps
# finds the package's own libraries there and beside it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  ${CMAKE_INSTALL_FULL_LIBDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/gardolink-reduced)
# The shlibs file names the public libraries only: the reduced gardolink has
# the same SONAME but is private (CPack's generated file would list both).
# The trigger runs ldconfig for the libraries.
configure_file(${LUMO_PACKAGING_DIR}/shlibs.in ${PROJECT_BINARY_DIR}/packaging/deb/shlibs @ONLY)
configure_file(${LUMO_PACKAGING_DIR}/triggers ${PROJECT_BINARY_DIR}/packaging/deb/triggers COPYONLY)
set(CPACK_DEBIAN_LUMOTOOL_PACKAGE_CONTROL_EXTRA
  ${PROJECT_BINARY_DIR}/packaging/deb/shlibs ${PROJECT_BINARY_DIR}/packaging/deb/triggers)
set(CPACK_DEBIAN_LUMOTOOL_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_LUMOTOOL_PACKAGE_NAME lumotool)
set(CPACK_DEBIAN_LUMOTOOL_PACKAGE_SECTION electronics)
set(CPACK_COMPONENT_LUMOTOOL_DESCRIPTION
  "service tool for the Mavik-Gardo vapour-recovery controller
The service program a technician runs to maintain the vapour-recovery
controller built into a two-sided fuel dispenser. It talks to the
controller over an RS-232 line and reads and changes its error counters,
error times, meter calibration and clock, starts and stops it, writes the
refuelling log files, shows and prints the counter readings and keeps the
station data. The user interface is in German.
.
The package holds the program, its serial port library serlink, the
controller's protocol library gardolink in its full and (in a private
folder) its reduced configuration, a demo pair of Access databases, the
command-line companion gardoctl, and a systemd service and timer
(lumotool-logs.timer, installed but not enabled) that collect the log files
of the dispensers listed in /etc/lumotool/dispensers every night.")

set(CPACK_DEBIAN_GARDOSIM_PACKAGE_NAME gardosim)
set(CPACK_DEBIAN_GARDOSIM_PACKAGE_SECTION electronics)
set(CPACK_COMPONENT_GARDOSIM_DESCRIPTION
  "simulated Mavik-Gardo vapour-recovery controller
gardosim plays the vapour-recovery controller on a pseudo-terminal and
enters it in the serial port folder, so that lumotool and programs using
the gardolink library can be tried and tested without a controller. Faults
(silence, rejected commands, broken replies, delays) are injected by
commands on standard input.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME gardolink-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_ARCHITECTURE_DEPENDENT ON)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "lumotool (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "development files of the gardolink and serlink libraries
Headers, link names, pkg-config files (serlink, gardolink,
gardolink-reduced) and a CMake package (find_package(gardolink) with the
imported targets gardolink::gardolink, gardolink::gardolink_reduced and
gardolink::serlink) for programs that talk to the Mavik-Gardo
vapour-recovery controller.")

include(CPack)
