# gardoctl: the controller's service steps from the command line, on the
# session layer and Qt Core alone, so that a machine without a desktop runs
# it.
add_executable(gardoctl
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/main.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/commands.h
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/commands.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/records_command.h
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/records_command.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/fleet.h
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/fleet.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/terminal_ui.h
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/terminal_ui.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/system_path.h
  ${CMAKE_CURRENT_SOURCE_DIR}/gardoctl/system_path.cpp)
lumo_include_root(gardoctl gardoctl)
# lumo_version.h
target_include_directories(gardoctl PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
target_link_libraries(gardoctl PRIVATE lumo_session gardolink_status_names Qt6::Core)
