# 32-bit Windows with mingw-w64. Built and linked only: the build machine's Wine has no
# 32-bit loader, so there is no emulator to run the tests with.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUORVEL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
