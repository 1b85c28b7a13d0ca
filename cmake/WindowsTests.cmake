# The test suite on Windows (mingw-w64 cross builds, run under wine64 or 32-bit wine):
# tests/CMakeLists.txt says which files are left out (TAVIX_LINUX_ONLY_TESTS); the
# end-to-end tests, which drive the terminal program in tmux, are left out whole.
#
# A file that is not listed there but includes a Linux-only header stops the configure
# with its name, rather than failing later in the compiler or the linker.
#
# Each layer's test program is one CTest test (run through Wine via
# CMAKE_CROSSCOMPILING_EMULATOR): a Wine start costs about a second, too much per case.

set(TAVIX_LINUX_ONLY_INCLUDE_RE
    "^#include [<\"](sys/|unistd\\.h|poll\\.h|fcntl\\.h|arpa/|netinet/|netdb\\.h|signal\\.h|curses|ncurses|platform/posix/|platform/display/)")

function(tavix_check_windows_sources)
  foreach(f ${ARGN})
    file(STRINGS ${f} incs REGEX "${TAVIX_LINUX_ONLY_INCLUDE_RE}")
    if(incs)
      file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR} ${f})
      message(FATAL_ERROR "tests/${rel} includes Linux-only headers (${incs}): "
                          "list it in TAVIX_LINUX_ONLY_TESTS (tests/CMakeLists.txt)")
    endif()
  endforeach()
endfunction()
tavix_check_windows_sources(${TEST_SUPPORT_SOURCES})

# The tray's shell check loads the program's icon resource: the same .rc and icons.
include(${CMAKE_SOURCE_DIR}/cmake/Icons.cmake)
tavix_make_icons(TAVIX_TEST_ICON)

function(tavix_test name)
  if(name STREQUAL "e2e")
    return()
  endif()
  tavix_test_sources(srcs ${name})
  tavix_check_windows_sources(${srcs})
  if(srcs)
    if(name STREQUAL "tray")
      list(APPEND srcs ${CMAKE_SOURCE_DIR}/app/tavix.rc ${TAVIX_TEST_ICON})
    endif()
    add_executable(test_${name} ${srcs})
    target_include_directories(test_${name} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
    target_link_libraries(test_${name} PRIVATE ${ARGN} testsupport GTest::gtest_main)
    add_test(NAME test_${name} COMMAND test_${name} --gtest_brief=1)
    set_tests_properties(test_${name} PROPERTIES TIMEOUT 600)
  endif()
endfunction()
