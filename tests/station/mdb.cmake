# Tests of the Access database lookups, on files written by the Jet 4 test
# writer and on a file written by Access itself.
find_package(Qt6 REQUIRED COMPONENTS Core)
add_library(lumo_mdb_fixtures STATIC mdb_fixtures.h mdb_fixtures.cpp demo_databases.h demo_databases.cpp)
target_include_directories(lumo_mdb_fixtures PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(lumo_mdb_fixtures PUBLIC lumo_jet4_writer GTest::gtest Qt6::Core)

# Writes the demo databases: make_demo_db lumotool/resources/demo-db
add_executable(make_demo_db make_demo_db.cpp demo_databases.cpp)
target_include_directories(make_demo_db PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(make_demo_db PRIVATE lumo_jet4_writer)

set(LUMO_SAMPLE_MDB_DIR ${CMAKE_BINARY_DIR}/sample-mdb)
# mdb_reader_test reads in-process with the helper's reading code; the
# lookups and mdb_helper_test go through the lumo-mdb helper beside them.
add_executable(station_mdb_tests jet4_writer_test.cpp mdb_reader_test.cpp mdb_helper_test.cpp
               pump_record_test.cpp)
target_link_libraries(station_mdb_tests PRIVATE lumo_app lumo_mdb_read lumo_mdb_fixtures lumo_test_main)
target_compile_definitions(station_mdb_tests PRIVATE
  LUMO_SAMPLE_MDB_DIR="${LUMO_SAMPLE_MDB_DIR}"
  LUMO_DEMO_DB_DIR="${PROJECT_SOURCE_DIR}/lumotool/resources/demo-db"
  LUMO_CRASH_MDB_DIR="${CMAKE_CURRENT_SOURCE_DIR}/crash-mdb")

# Fetching the sample file never fails the run: without it the test that
# reads it skips and says why.
add_test(NAME station_mdb_fetch_sample
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/fetch-sample-mdb.sh ${LUMO_SAMPLE_MDB_DIR})
set_tests_properties(station_mdb_fetch_sample PROPERTIES FIXTURES_SETUP lumo_sample_mdb TIMEOUT 300)

gtest_discover_tests(station_mdb_tests DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" FIXTURES_REQUIRED lumo_sample_mdb)
