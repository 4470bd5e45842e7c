# The program's start options (--simulator, --diagnose, --help).
add_executable(start_options_test start_options_test.cpp)
target_link_libraries(start_options_test PRIVATE lumo_test_main)
gtest_discover_tests(start_options_test
  DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 60)

# The program itself answers --help without starting Qt.
if(TARGET lumotool)
  add_test(NAME lumotool_help COMMAND lumotool --help)
  set_tests_properties(lumotool_help PROPERTIES
    PASS_REGULAR_EXPRESSION "--simulator.*--diagnose" TIMEOUT 30)
endif()
