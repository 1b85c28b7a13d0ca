# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model, so
# std::thread and std::mutex work). Tests run through wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVIX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
find_program(TAVIX_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(TAVIX_WINE64 NAMES wine64 wine)
if(TAVIX_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVIX_WINE64})
endif()
