# Cross build for 32-bit Windows with Debian's mingw-w64: the shipped program, and the
# same test suite as the 64-bit build. Tests run through 32-bit wine (wine32:i386),
# on machines whose kernel executes 32-bit code.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVIX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
find_program(TAVIX_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(TAVIX_WINE32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVIX_WINE32})
endif()
