# The Access database lookups read .mdb files through mdbtools' libmdb.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MDB REQUIRED IMPORTED_TARGET libmdb)
target_link_libraries(lumo_app PUBLIC PkgConfig::MDB)

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
