# Read after CMake's platform rules (CMAKE_USER_MAKE_RULES_OVERRIDE): DLLs and
# their import libraries without the "lib" prefix of the GNU toolchains.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_IMPORT_LIBRARY_PREFIX "")
