# CPU used by serlink while ReadByte waits out its time-out on a silent line.
add_executable(serlink_wait ${CMAKE_CURRENT_LIST_DIR}/serlink_wait.cpp)
target_link_libraries(serlink_wait PRIVATE serlink)
