# The English user interface: translations/lumotool_en.ts compiled to a .qm
# catalogue with the host's lrelease (also in a cross build, which has no
# Qt tools of its own) and compiled into the core layer as the resource
# ":/i18n/lumotool_en.qm".
get_filename_component(LUMO_TRANSLATIONS_DIR ${PROJECT_SOURCE_DIR}/translations ABSOLUTE)
# The catalogues, also for the tests (a cache entry: seen in every folder).
set(LUMO_TS_FILES ${LUMO_TRANSLATIONS_DIR}/lumotool_en.ts CACHE INTERNAL "translation catalogues")
find_program(LUMO_LRELEASE NAMES lrelease lrelease-qt6
  HINTS ${QT_HOST_PATH}/lib/qt6/bin /usr/lib/qt6/bin NO_CMAKE_FIND_ROOT_PATH)
if(NOT LUMO_LRELEASE)
  message(FATAL_ERROR "lrelease not found (Debian package qt6-l10n-tools)")
endif()

set(LUMO_I18N_DIR ${CMAKE_CURRENT_BINARY_DIR}/i18n)
file(MAKE_DIRECTORY ${LUMO_I18N_DIR})
set(LUMO_QM_FILES)
set(LUMO_QRC_ENTRIES)
foreach(ts ${LUMO_TS_FILES})
  get_filename_component(base ${ts} NAME_WE)
  set(qm ${LUMO_I18N_DIR}/${base}.qm)
  add_custom_command(
    OUTPUT ${qm}
    COMMAND ${LUMO_LRELEASE} -silent -nounfinished -removeidentical ${ts} -qm ${qm}
    DEPENDS ${ts}
    COMMENT "Compiling the catalogue ${base}.qm"
    VERBATIM)
  list(APPEND LUMO_QM_FILES ${qm})
  string(APPEND LUMO_QRC_ENTRIES "    <file>${base}.qm</file>\n")
endforeach()
file(WRITE ${LUMO_I18N_DIR}/lumotool_i18n.qrc.in
  "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/i18n\">\n${LUMO_QRC_ENTRIES}  </qresource>\n</RCC>\n")
configure_file(${LUMO_I18N_DIR}/lumotool_i18n.qrc.in ${LUMO_I18N_DIR}/lumotool_i18n.qrc COPYONLY)

set(LUMO_I18N_CPP ${LUMO_I18N_DIR}/qrc_lumotool_i18n.cpp)
add_custom_command(
  OUTPUT ${LUMO_I18N_CPP}
  # zlib, not zstd: a cross build runs the host's rcc, and a target Qt built
  # without zstd cannot read what it compresses (as AUTORCC knows by itself).
  COMMAND Qt6::rcc --no-zstd --name lumotool_i18n -o ${LUMO_I18N_CPP} ${LUMO_I18N_DIR}/lumotool_i18n.qrc
  DEPENDS ${LUMO_QM_FILES} ${LUMO_I18N_DIR}/lumotool_i18n.qrc
  WORKING_DIRECTORY ${LUMO_I18N_DIR}
  COMMENT "Embedding the translation catalogues"
  VERBATIM)
set_source_files_properties(${LUMO_I18N_CPP} PROPERTIES SKIP_AUTOGEN ON)
# Beside core/language.cpp, which loads them: in the core layer, which the
# command line links too.
target_sources(lumo_core PRIVATE ${LUMO_I18N_CPP})

# For the completeness test: lupdate finds the texts in the sources.
find_program(LUMO_LUPDATE NAMES lupdate lupdate-qt6
  HINTS ${QT_HOST_PATH}/lib/qt6/bin /usr/lib/qt6/bin NO_CMAKE_FIND_ROOT_PATH)
