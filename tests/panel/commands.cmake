# The main dialog's commands and the error time dialog against the simulator.
add_executable(main_commands_test
  commands_fixture.h commands_counter_test.cpp commands_device_test.cpp commands_clock_test.cpp
  session_frames_test.cpp)
target_link_libraries(main_commands_test PRIVATE lumo_test_main gardosim_core)
# The recorded requests of a whole session (see session_frames_test.cpp).
target_compile_definitions(main_commands_test PRIVATE
  LUMO_SESSION_FRAMES="${CMAKE_CURRENT_SOURCE_DIR}/data/session_frames.txt")
# One process per test: the serial port is process state.
gtest_discover_tests(main_commands_test
  DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
