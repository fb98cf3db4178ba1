# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (package
# g++-mingw-w64-x86-64-posix). The "-posix" compilers use the POSIX thread model (winpthreads),
# which std::mutex and std::thread need with GCC 12.
#   cmake -S <project> -B <dir> -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# With Qt (the wizard, korvane-flash), name the folder a Qt for MinGW-w64 is
# unpacked in:
#   ... -DKORVANE_MINGW_QT=<folder>/korvane-mingw-qt5
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVANE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The checks CMake compiles on its own see the same setting.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORVANE_MINGW_QT)
if(KORVANE_MINGW_QT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KORVANE_MINGW_QT})
  list(APPEND CMAKE_PREFIX_PATH ${KORVANE_MINGW_QT})
  # Qt's DLLs use the C++ runtime as DLLs; a program that carried its own
  # copy would pass objects between two heaps.
else()
  # One .exe without libstdc++/libgcc/winpthread DLLs beside it.
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()

# -O2, as Debian builds the Linux programs: -O3 gains nothing measurable for a
# program that waits on a serial line, and costs a third more to compile.
set(CMAKE_C_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")
