# 32-bit Windows with Debian's mingw-w64. Compiled and linked only: no 32-bit
# loader runs here, so there is no emulator and no test is registered.
set(QUILLON_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
