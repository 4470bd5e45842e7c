# gardoctl: the controller's service steps from the command line, built on
# the same application library as the program.
add_executable(gardoctl
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/main.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/commands.h
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/commands.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/fleet.h
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/fleet.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/terminal_ui.h
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/terminal_ui.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/system_path.h
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/system_path.cpp)
target_link_libraries(gardoctl PRIVATE lumo_app linktrace)
