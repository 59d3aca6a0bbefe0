# Cross-compiling for 64-bit Windows with Debian's mingw-w64 toolchain, its
# POSIX-threads variant (g++-mingw-w64-x86-64-posix), whose C++ library has
# std::thread for the batches' reading thread. Use:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VISTREL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VISTREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VISTREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VISTREL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VISTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run on this machine through Wine.
find_program(VISTREL_WINE wine)
if(VISTREL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VISTREL_WINE})
endif()
