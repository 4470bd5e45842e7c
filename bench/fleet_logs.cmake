# Both log files of eight simulated dispensers at 4800 baud wire timing with
# gardoctl: one dispenser against eight with --jobs 8 (and eight in turn).
if(TARGET gardoctl AND TARGET gardosim_core AND NOT WIN32)
  find_package(Qt6 REQUIRED COMPONENTS Core)
  add_executable(fleet_logs_bench ${CMAKE_CURRENT_LIST_DIR}/fleet_logs.cpp)
  target_link_libraries(fleet_logs_bench PRIVATE gardosim_core Qt6::Core)
  target_compile_definitions(fleet_logs_bench PRIVATE GARDOCTL_PATH="$<TARGET_FILE:gardoctl>")
  add_dependencies(fleet_logs_bench gardoctl)
endif()
