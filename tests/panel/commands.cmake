# The main dialog's commands and the error time dialog against the simulator.
add_executable(main_commands_test
  commands_fixture.h commands_counter_test.cpp commands_device_test.cpp commands_clock_test.cpp)
target_link_libraries(main_commands_test PRIVATE lumo_test_main gardosim_core)
# One process per test: the serial port is process state.
gtest_discover_tests(main_commands_test
  DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
