# Install rules and the Debian packages. Included at the end of the top-level
# CMakeLists.txt, when every target is defined.
#
# Components (one Debian package each):
#   lumotool  the program, serlink, both gardolink builds, data, desktop files
#   gardosim  the simulator's command-line program
#   dev       headers, link names, pkg-config and CMake package files
#
# Layout below the prefix (GNUInstallDirs; LIBDIR is lib/<multiarch> for /usr):
#   bin/lumotool, bin/gardosim
#   LIBDIR/libserlink.so.5, LIBDIR/libgardolink.so.5 (full configuration)
#   LIBDIR/gardolink-reduced/libgardolink.so.5 (reduced: same file name, so a
#     folder of its own; a program picks it by its library path)
#   LIBEXECDIR/lumotool/lumo-mdb, share/lumotool/*.mdb

set(LUMO_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(LUMO_REDUCED_LIBDIR ${CMAKE_INSTALL_LIBDIR}/gardolink-reduced)
set(LUMO_DESKTOP_ID de.mavik.lumotool)
set(LUMO_RELEASE_DATE 2026-12-08)
set(LUMO_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 12:00:00 +0000")
# systemd units below the prefix: /usr/lib/systemd/system for the package.
set(LUMO_SYSTEMD_UNIT_DIR lib/systemd/system)
set(LUMO_MAINTAINER "Mavik Elektronik Technischer Kundendienst <service@mavik.de>")

# Windows: the DLLs and headers, nothing of the Linux desktop.
if(WIN32)
  install(TARGETS serlink gardolink RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(TARGETS gardolink_reduced RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}/gardolink-reduced
          ARCHIVE DESTINATION ${LUMO_REDUCED_LIBDIR})
  install(FILES serlink/include/serlink.h gardolink/include/gardolink.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  return()
endif()

# ---- Library search paths of the installed files --------------------------
# Nothing points into the build tree. Where the library folder is one the
# loader searches anyway (/usr/lib/<multiarch>), the files carry no RUNPATH;
# elsewhere (/usr/local, /opt/...) an $ORIGIN-relative one.
list(FIND CMAKE_C_IMPLICIT_LINK_DIRECTORIES "${CMAKE_INSTALL_FULL_LIBDIR}" _lumo_system_libdir)
if(_lumo_system_libdir LESS 0)
  file(RELATIVE_PATH _bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(gardolink PROPERTIES INSTALL_RPATH "$ORIGIN")
  set_target_properties(gardolink_reduced PROPERTIES INSTALL_RPATH "$ORIGIN/..")
  if(TARGET lumotool)
    set_target_properties(lumotool PROPERTIES INSTALL_RPATH "$ORIGIN/${_bin_to_lib}")
  endif()
endif()

# ---- Libraries and headers -------------------------------------------------
install(TARGETS serlink gardolink
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lumotool NAMELINK_COMPONENT dev)
install(TARGETS gardolink_reduced
  LIBRARY DESTINATION ${LUMO_REDUCED_LIBDIR} COMPONENT lumotool NAMELINK_COMPONENT dev)
install(FILES serlink/include/serlink.h gardolink/include/gardolink.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)

# pkg-config: serlink, gardolink (full) and gardolink-reduced.
foreach(pc serlink gardolink gardolink-reduced)
  configure_file(${LUMO_PACKAGING_DIR}/${pc}.pc.in ${PROJECT_BINARY_DIR}/packaging/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${pc}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
endforeach()

# CMake: find_package(gardolink) with imported targets.
include(CMakePackageConfigHelpers)
set(LUMO_CMAKE_CONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/gardolink)
file(RELATIVE_PATH LUMO_CONFIG_TO_PREFIX
  ${CMAKE_INSTALL_PREFIX}/${LUMO_CMAKE_CONFIG_DIR} ${CMAKE_INSTALL_PREFIX})
configure_file(${LUMO_PACKAGING_DIR}/gardolink-config.cmake.in
  ${PROJECT_BINARY_DIR}/packaging/gardolink-config.cmake @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/packaging/gardolink-config-version.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/packaging/gardolink-config.cmake
              ${PROJECT_BINARY_DIR}/packaging/gardolink-config-version.cmake
  DESTINATION ${LUMO_CMAKE_CONFIG_DIR} COMPONENT dev)

# ---- Manual pages (gzip'ed, as Debian keeps them) -------------------------
find_program(LUMO_GZIP gzip)
function(lumo_install_man page component)
  set(src ${PROJECT_BINARY_DIR}/packaging/${page})
  configure_file(${LUMO_PACKAGING_DIR}/${page}.in ${src} @ONLY)
  if(LUMO_GZIP)
    add_custom_command(OUTPUT ${src}.gz
      COMMAND ${LUMO_GZIP} -9n -c ${src} > ${src}.gz
      DEPENDS ${src} VERBATIM)
    add_custom_target(lumo_man_${page} ALL DEPENDS ${src}.gz)
    set(src ${src}.gz)
  endif()
  install(FILES ${src} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()

# ---- The simulator ----------------------------------------------------------
if(TARGET gardosim)
  install(TARGETS gardosim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gardosim)
  lumo_install_man(gardosim.1 gardosim)
endif()

# ---- The program, its helper, data and desktop files -----------------------
if(TARGET lumotool)
  install(TARGETS lumotool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lumotool)
  # The Access reader runs as a helper process; the program looks for it here.
  if(TARGET lumo-mdb)
    install(TARGETS lumo-mdb RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/lumotool COMPONENT lumotool)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/lumotool/resources/demo-db/Saeulenparameter.mdb
                ${PROJECT_SOURCE_DIR}/lumotool/resources/demo-db/Fehlerdiagnose.mdb
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lumotool COMPONENT lumotool)
  lumo_install_man(lumotool.1 lumotool)

  install(FILES ${LUMO_PACKAGING_DIR}/${LUMO_DESKTOP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT lumotool)
  configure_file(${LUMO_PACKAGING_DIR}/${LUMO_DESKTOP_ID}.metainfo.xml.in
    ${PROJECT_BINARY_DIR}/packaging/${LUMO_DESKTOP_ID}.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${LUMO_DESKTOP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT lumotool)
  # The application icon (icon 128): the SVG, and PNG renderings of it made
  # with "rsvg-convert -w N -h N icon128_app.svg" (packaging/icons/).
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${LUMO_PACKAGING_DIR}/icons/lumotool_${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME lumotool.png COMPONENT lumotool)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/lumotool/resources/icon128_app.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME lumotool.svg COMPONENT lumotool)
  install(FILES ${LUMO_PACKAGING_DIR}/60-lumotool-serial.rules.example
    DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT lumotool)
endif()

# ---- The command line beside the program -----------------------------------
if(TARGET gardoctl)
  if(_lumo_system_libdir LESS 0)
    set_target_properties(gardoctl PROPERTIES INSTALL_RPATH "$ORIGIN/${_bin_to_lib}")
  endif()
  install(TARGETS gardoctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lumotool)
  lumo_install_man(gardoctl.1 lumotool)
  # The nightly collection of the log files of /etc/lumotool/dispensers: a
  # systemd service and timer, installed, not enabled (nothing here or in
  # the package enables them).
  set(LUMO_GARDOCTL ${CMAKE_INSTALL_FULL_BINDIR}/gardoctl)
  configure_file(${LUMO_PACKAGING_DIR}/lumotool-logs.service.in
    ${PROJECT_BINARY_DIR}/packaging/lumotool-logs.service @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/lumotool-logs.service ${LUMO_PACKAGING_DIR}/lumotool-logs.timer
    DESTINATION ${LUMO_SYSTEMD_UNIT_DIR} COMPONENT lumotool)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)

if(LUMO_BUILD_TESTS)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/install ${PROJECT_BINARY_DIR}/tests/install)
endif()
