# Cross-compiles Kestrun for 64-bit Windows with Debian's mingw-w64 compilers of the posix thread
# model, the one Qt for Windows is built with (scripts/windows-qt.sh). Qt for Windows comes from
# CMAKE_PREFIX_PATH; scripts/build-windows.sh passes both.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Libraries and headers only from mingw-w64 and the given prefixes; programs from the build
# machine.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The translations are compiled by the build machine's lrelease (Debian's qttools5-dev-tools):
# Qt for Windows has no Linguist tools.
set(Qt5LinguistTools_DIR /usr/lib/x86_64-linux-gnu/cmake/Qt5LinguistTools CACHE PATH "")
