# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix).
#
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVELTOR_GUI=OFF
#   cmake -S . -B build-windows-gui -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#     -DVELTOR_WINDOWS_QT=$(tools/windows-qt-build)
#
# The executables link the C and C++ runtimes statically, so they run without
# any DLL beside them. When wine is installed, CTest runs the test executables
# through it; set WINEPREFIX to keep wine out of the home directory.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELTOR_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELTOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTOR_MINGW_TRIPLE}-windres)

# Libraries and headers come from the target's root only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VELTOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The window needs a Qt built for Windows (tools/windows-qt-build): point
# VELTOR_WINDOWS_QT at its prefix. The host's own Qt tools (moc, rcc) serve it.
if(VELTOR_WINDOWS_QT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VELTOR_WINDOWS_QT})
  list(PREPEND CMAKE_PREFIX_PATH ${VELTOR_WINDOWS_QT})
  set(QT_HOST_PATH /usr CACHE PATH "Host Qt for the cross build")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "CMake packages of the host Qt")
endif()

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian's installed GoogleTest is built for Linux; the tests build their own
# copy from the googletest source package instead.
if(NOT DEFINED VELTOR_GTEST_SOURCE_DIR AND EXISTS /usr/src/googletest/CMakeLists.txt)
  set(VELTOR_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources built with the project")
endif()

find_program(VELTOR_WINE NAMES wine64 wine)
if(VELTOR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELTOR_WINE})
endif()
