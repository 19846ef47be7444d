# Cross-compiles velkar.exe for Windows with the MinGW-w64 tool chain of a
# Linux machine (Debian/Ubuntu: apt-get install mingw-w64).
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
#   cmake --build build-windows -j2
#
# The default target is 64-bit Windows; -DVELKAR_MINGW_ARCH=i686 builds a
# 32-bit executable for old machines.  The executable is linked statically
# (no MinGW run-time DLLs to ship beside it) with a 64 MB stack for the deep
# recursion of the search (see CMakeLists.txt).
set(CMAKE_SYSTEM_NAME Windows)

if(NOT DEFINED VELKAR_MINGW_ARCH)
  set(VELKAR_MINGW_ARCH x86_64)
endif()
set(VELKAR_MINGW_ARCH "${VELKAR_MINGW_ARCH}" CACHE STRING "x86_64 or i686")
# The try_compile projects CMake runs read this file again and need it too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELKAR_MINGW_ARCH)

if(VELKAR_MINGW_ARCH STREQUAL "i686")
  set(CMAKE_SYSTEM_PROCESSOR x86)
else()
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
endif()
set(VELKAR_MINGW_PREFIX ${VELKAR_MINGW_ARCH}-w64-mingw32)

# Several searchers wait for each other with std::mutex and
# std::condition_variable, which this compiler offers only in its posix
# thread model (the winpthread library, linked into the executable).
find_program(CMAKE_CXX_COMPILER NAMES ${VELKAR_MINGW_PREFIX}-g++-posix ${VELKAR_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VELKAR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELKAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

