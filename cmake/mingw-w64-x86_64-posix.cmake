# Cross-compiling Qt and the lumotool program for 64-bit Windows with
# MinGW-w64 (Debian's g++-mingw-w64-x86-64). Qt needs the "-posix" thread
# model (std::thread, std::mutex), so this file names those compilers
# directly instead of relying on update-alternatives.
#
# Unlike mingw-w64-x86_64.cmake this links the GCC runtime as DLLs
# (libgcc_s_seh-1.dll, libstdc++-6.dll, libwinpthread-1.dll): Qt's DLLs and
# the program must share one C++ runtime. scripts/build-windows.sh copies
# those DLLs beside the program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triple x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_AR ${_triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${_triple}-gcc-ranlib-posix CACHE FILEPATH "")

# Packages and libraries come from the MinGW sysroot and from the prefixes
# in LUMO_WIN_PREFIXES (the cross-built mdbtools; Qt's own toolchain file
# adds Qt); programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${_triple} ${LUMO_WIN_PREFIXES})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMO_WIN_PREFIXES)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
