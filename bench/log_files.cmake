# Writing both log files against gardosim: with wire timing at 4800 baud as
# a ratio to the wire time of its 92 reads, and without wire timing.
if(TARGET lumo_app AND TARGET gardosim_core AND NOT WIN32)
  add_executable(log_files_bench ${CMAKE_CURRENT_LIST_DIR}/log_files.cpp)
  target_link_libraries(log_files_bench PRIVATE lumo_app gardosim_core)
endif()
