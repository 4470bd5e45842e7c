# A 4-byte Read_Program against gardosim with wire timing at 4800 baud.
if(NOT WIN32)
  add_executable(gardolink_read_bench ${CMAKE_CURRENT_LIST_DIR}/gardolink_read.cpp)
  target_link_libraries(gardolink_read_bench PRIVATE gardolink serlink gardosim_core)
endif()
