# The pump parameter dialog against the simulated controller (offscreen),
# with the station file in the test's own data folder.
add_executable(pump_param_tests pump_param_dialog_test.cpp)
target_include_directories(pump_param_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pump_param_tests PRIVATE lumo_test_main gardosim_core)
# One process per test: the serial port is process state.
gtest_discover_tests(pump_param_tests DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
