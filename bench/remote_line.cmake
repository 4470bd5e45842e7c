# A 4-byte read and the reads of both log files over RFC 2217 (ser2net on
# loopback) against the same on the local pseudo-terminal, at 4800 baud.
if(NOT WIN32)
  # The free port and the wait for ser2net are the remote-line tests' own.
  add_executable(remote_line_bench ${CMAKE_CURRENT_LIST_DIR}/remote_line.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/loopback_ports.cpp)
  target_include_directories(remote_line_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_link_libraries(remote_line_bench PRIVATE gardolink serlink gardosim_core)
endif()
