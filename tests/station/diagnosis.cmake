# The diagnosis dialog: its texts (pure) and the dialog against the simulated
# controller with databases written by the Jet 4 test writer.
add_executable(diagnosis_text_test diagnosis_text_test.cpp)
target_link_libraries(diagnosis_text_test PRIVATE lumo_app GTest::gtest_main)
gtest_discover_tests(diagnosis_text_test)

add_executable(diagnosis_dialog_test diagnosis_dialog_test.cpp)
target_link_libraries(diagnosis_dialog_test PRIVATE lumo_test_main lumo_mdb_fixtures gardosim_core)
target_compile_definitions(diagnosis_dialog_test PRIVATE LUMO_CRASH_MDB_DIR="${CMAKE_CURRENT_SOURCE_DIR}/crash-mdb")
# One process per test: the serial port is process state.
gtest_discover_tests(diagnosis_dialog_test
  DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
