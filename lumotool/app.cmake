# The lumotool program: the icons and strings into the widgets layer, which
# holds resources/ (resources.cpp registers them), the start options into
# the dialogs' library (the tests use them too), main() and the demo
# simulator into the executable.
target_sources(lumo_widgets PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/resources/lumotool.qrc)
target_sources(lumo_dialogs PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/start_options.h
  ${CMAKE_CURRENT_SOURCE_DIR}/start_options.cpp)
lumo_include_root(lumo_dialogs start_options.h)
# lumo_version.h
target_include_directories(lumo_dialogs PUBLIC ${CMAKE_CURRENT_BINARY_DIR})

add_executable(lumotool main.cpp)
target_link_libraries(lumotool PRIVATE lumo_dialogs)
if(WIN32)
  # A windowed program (no console); Qt's entry point calls main().
  set_target_properties(lumotool PROPERTIES WIN32_EXECUTABLE ON)
else()
  # The --simulator demo serves a pseudo-terminal.
  target_link_libraries(lumotool PRIVATE gardosim_core)
endif()

# The version in one place, project(VERSION) of the top-level CMakeLists.txt:
# a generated header for --version and the About box (there with the minor
# number in two digits, 5.02.1).
if(PROJECT_VERSION_MINOR LESS 10)
  set(LUMO_DISPLAY_VERSION "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
else()
  set(LUMO_DISPLAY_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/lumo_version.h.in ${CMAKE_CURRENT_BINARY_DIR}/lumo_version.h @ONLY)

# Where the installed program finds its helper programs and its shared data
# (the demo Access databases); see core/data_paths.h.
# The data folder also relative to the program, for a moved install tree.
file(RELATIVE_PATH LUMO_BIN_TO_DATADIR ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/lumotool)
foreach(layer lumo_core lumo_records)
  target_compile_definitions(${layer} PRIVATE
    LUMO_LIBEXECDIR="${CMAKE_INSTALL_FULL_LIBEXECDIR}/lumotool"
    LUMO_DATADIR="${CMAKE_INSTALL_FULL_DATADIR}/lumotool"
    LUMO_BIN_TO_DATADIR="${LUMO_BIN_TO_DATADIR}")
endforeach()
