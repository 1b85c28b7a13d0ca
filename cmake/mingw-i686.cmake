# Cross build for 32-bit Windows with Debian's mingw-w64: the shipped program.
# Nothing here can run it (this kernel executes no 32-bit code), so no emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVIX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
