# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the POSIX
# thread model, which Qt needs for std::thread and std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KALVIDOR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KALVIDOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KALVIDOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KALVIDOR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KALVIDOR_MINGW_PREFIX})
# Programs run on the build machine; libraries and headers come from the
# Windows side only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
