# The login's password table, generated from a list of passwords at build
# time. LUMO_PASSWORD_LIST names the list (one six-character password a
# line); the default list ships with the project.
set(LUMO_PASSWORD_LIST "${CMAKE_CURRENT_SOURCE_DIR}/resources/passwords.txt"
    CACHE FILEPATH "List of login passwords the password table is built from")

add_executable(password_table_gen ${CMAKE_CURRENT_SOURCE_DIR}/tools/password_table_gen.cpp)
set_target_properties(password_table_gen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(LUMO_PASSWORD_TABLE_CPP ${CMAKE_CURRENT_BINARY_DIR}/generated/password_table_data.cpp)
add_custom_command(
  OUTPUT ${LUMO_PASSWORD_TABLE_CPP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
  COMMAND password_table_gen ${LUMO_PASSWORD_LIST} ${LUMO_PASSWORD_TABLE_CPP}
  DEPENDS password_table_gen ${LUMO_PASSWORD_LIST}
  COMMENT "Generating the password table from ${LUMO_PASSWORD_LIST}"
  VERBATIM)
target_sources(lumo_core PRIVATE ${LUMO_PASSWORD_TABLE_CPP})
