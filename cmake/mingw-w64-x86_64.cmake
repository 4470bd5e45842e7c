# Cross-compiling the libraries for 64-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64). Use with
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DLUMO_BUILD_GUI=OFF ...
# Set LUMO_MINGW_ARCH=i686 (cache variable) for 32-bit Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(LUMO_MINGW_ARCH x86_64 CACHE STRING "MinGW-w64 target: x86_64 or i686")
set(CMAKE_SYSTEM_PROCESSOR ${LUMO_MINGW_ARCH})
set(_triple ${LUMO_MINGW_ARCH}-w64-mingw32)

# The "-posix" variants carry std::thread; the libraries need neither, but
# keep to the plain names, which Debian points at one of them.
set(CMAKE_C_COMPILER ${_triple}-gcc)
set(CMAKE_CXX_COMPILER ${_triple}-g++)
set(CMAKE_RC_COMPILER ${_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the GCC and C++ runtimes (and winpthread) statically, so the DLLs and
# programs need nothing beside them but system DLLs.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# The libraries are called serlink.dll and gardolink.dll on Windows, as their
# users load them; GCC's platform rules would make them libserlink.dll.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/windows-dll-names.cmake)
