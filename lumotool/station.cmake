# The Access database lookups read .mdb files through mdbtools' libmdb, in
# the helper program lumo-mdb: libmdb can crash or hang on a damaged file,
# so it never runs inside lumotool. The program only decodes the helper's
# answers (row_answer) and finds the helper beside itself.
find_package(PkgConfig REQUIRED)
if(WIN32)
  # Windows: libmdb cross-built by scripts/build-windows.sh, found through
  # PKG_CONFIG_LIBDIR; without it the program builds without the helper,
  # and the lookups report the helper missing.
  pkg_check_modules(MDB IMPORTED_TARGET libmdb)
else()
  pkg_check_modules(MDB REQUIRED IMPORTED_TARGET libmdb)
endif()
set(LUMO_MDB_HELPER_DIR ${CMAKE_CURRENT_LIST_DIR}/mdbhelper)
add_library(lumo_mdb_answer STATIC ${LUMO_MDB_HELPER_DIR}/row_answer.h ${LUMO_MDB_HELPER_DIR}/row_answer.cpp)
lumo_include_root(lumo_mdb_answer mdbhelper)
target_link_libraries(lumo_records PUBLIC lumo_mdb_answer)
if(MDB_FOUND)
add_library(lumo_mdb_read STATIC
  ${LUMO_MDB_HELPER_DIR}/mdb_file.h ${LUMO_MDB_HELPER_DIR}/mdb_file.cpp
  ${LUMO_MDB_HELPER_DIR}/row_lookup.h ${LUMO_MDB_HELPER_DIR}/row_lookup.cpp)
target_link_libraries(lumo_mdb_read PUBLIC lumo_mdb_answer PkgConfig::MDB)
add_executable(lumo-mdb ${LUMO_MDB_HELPER_DIR}/lumo_mdb.cpp)
target_link_libraries(lumo-mdb PRIVATE lumo_mdb_read)
# Whatever links the program's code (the program, its tests, benchmarks)
# gets the helper built beside it.
add_dependencies(lumo_records lumo-mdb)
endif()

# The demo's parameter and diagnosis databases go beside the program, where
# the lookups look for them.
set(LUMO_DEMO_DB_DIR ${CMAKE_CURRENT_SOURCE_DIR}/resources/demo-db)
set(LUMO_DEMO_DB_OUTPUTS)
foreach(db Saeulenparameter.mdb Fehlerdiagnose.mdb)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/${db}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${LUMO_DEMO_DB_DIR}/${db} ${CMAKE_BINARY_DIR}/bin/${db}
    DEPENDS ${LUMO_DEMO_DB_DIR}/${db}
    COMMENT "Copying demo database ${db}")
  list(APPEND LUMO_DEMO_DB_OUTPUTS ${CMAKE_BINARY_DIR}/bin/${db})
endforeach()
add_custom_target(lumo_demo_db ALL DEPENDS ${LUMO_DEMO_DB_OUTPUTS})

# The program target may be defined in a file included after this one.
function(lumo_station_demo_db_dependency)
  if(TARGET lumotool)
    add_dependencies(lumotool lumo_demo_db)
  endif()
endfunction()
cmake_language(DEFER CALL lumo_station_demo_db_dependency)
