# Names, ids and keyboard access of the controls of every dialog.
add_executable(controls_named_test controls_named_test.cpp)
target_link_libraries(controls_named_test PRIVATE lumo_test_main)
gtest_discover_tests(controls_named_test
  DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 60)
