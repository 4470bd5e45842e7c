# A 4-byte Read_Program with the line trace on against off, at 4800 baud with
# wire timing.
if(NOT WIN32)
  add_executable(trace_overhead_bench ${CMAKE_CURRENT_LIST_DIR}/trace_overhead.cpp)
  target_link_libraries(trace_overhead_bench PRIVATE gardolink serlink gardosim_core)
endif()
