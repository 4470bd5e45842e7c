# The program's start options (--simulator, --diagnose, --trace, --help,
# --version; Qt's options handed on).
add_executable(start_options_test start_options_test.cpp)
target_link_libraries(start_options_test PRIVATE lumo_test_main)
gtest_discover_tests(start_options_test
  DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 60)

# The program itself answers --help, --version and a wrong option without a
# display (none is set for these tests).
if(TARGET lumotool)
  set(_no_display "DISPLAY=unset:;WAYLAND_DISPLAY=unset:;QT_QPA_PLATFORM=unset:")
  add_test(NAME lumotool_help COMMAND lumotool --help)
  add_test(NAME lumotool_version COMMAND lumotool --version)
  add_test(NAME lumotool_unknown_option
           COMMAND sh -c "\"$0\" --simulator --bogus; test $? -eq 2" $<TARGET_FILE:lumotool>)
  set_tests_properties(lumotool_help lumotool_version lumotool_unknown_option PROPERTIES
    ENVIRONMENT_MODIFICATION "${_no_display}" TIMEOUT 30)
  set_tests_properties(lumotool_help PROPERTIES PASS_REGULAR_EXPRESSION "--simulator.*--diagnose.*--trace")
  set_tests_properties(lumotool_version PROPERTIES
    PASS_REGULAR_EXPRESSION "^lumotool ${PROJECT_VERSION}\n$")
endif()
