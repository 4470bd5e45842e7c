# A 4-byte read and the reads of both log files over RFC 2217 (ser2net on
# loopback) against the same on the local pseudo-terminal, at 4800 baud.
if(NOT WIN32)
  add_executable(remote_line_bench ${CMAKE_CURRENT_LIST_DIR}/remote_line.cpp)
  target_link_libraries(remote_line_bench PRIVATE gardolink serlink gardosim_core)
endif()
