# The test suite on Windows (mingw-w64 cross build, run under wine64): every test
# file that builds on the real Win32 API.
#
# Linux-only, and left out here:
#  - test support that talks to the BSD socket calls directly (it includes
#    <sys/socket.h>, <unistd.h>, <poll.h>, ...);
#  - test files that use the Linux platform's seams (platform/posix: the manual
#    clock, the resolver table, the dialog responder, the null display's records),
#    the terminal display (platform/display), or a Linux-only support header -
#    directly or through a fixture header of their folder;
#  - the end-to-end tests, which drive the terminal program in tmux.
# The rule is read from the sources, so a test that stops using a seam joins the
# Windows suite by itself. The excluded files are listed when configuring.
#
# Each layer's test program is one CTest test (run through wine64 via
# CMAKE_CROSSCOMPILING_EMULATOR): a Wine start costs about a second, too much per case.

set(TAVIX_LINUX_ONLY_INCLUDE_RE
    "^#include [<\"](sys/|unistd\\.h|poll\\.h|fcntl\\.h|arpa/|netinet/|netdb\\.h|signal\\.h|curses|ncurses|platform/posix/|platform/display/)")

# Files that include one of the (project-relative) headers in ${bad_headers}, or a
# system header matching the rule above.
function(tavix_linux_only out files bad_headers)
  set(result)
  foreach(f ${files})
    file(STRINGS ${f} incs REGEX "^#include [<\"]")
    foreach(i ${incs})
      string(REGEX MATCH "^#include \"([^\"]+)\"" m "${i}")
      if(i MATCHES "${TAVIX_LINUX_ONLY_INCLUDE_RE}" OR (m AND CMAKE_MATCH_1 IN_LIST bad_headers))
        list(APPEND result ${f})
        break()
      endif()
    endforeach()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Seed: support sources and every header under tests/, then close over headers that
# include Linux-only headers (fixtures), until nothing changes.
file(GLOB_RECURSE tavix_test_headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
file(GLOB tavix_support_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
tavix_linux_only(tavix_bad_support "${tavix_support_sources}" "")
# Support that calls POSIX functions without a tell-tale header (mkdtemp, setenv).
foreach(f support/PlatformRecorder.cpp)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${f})
    list(APPEND tavix_bad_support ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endif()
endforeach()
set(TAVIX_LINUX_ONLY_HEADERS)
foreach(f ${tavix_bad_support})
  string(REGEX REPLACE "\\.cpp$" ".h" h ${f})
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${h})
  list(APPEND TAVIX_LINUX_ONLY_HEADERS ${rel})
endforeach()
set(tavix_changed TRUE)
while(tavix_changed)
  set(tavix_changed FALSE)
  tavix_linux_only(bad "${tavix_test_headers}" "${TAVIX_LINUX_ONLY_HEADERS}")
  foreach(h ${bad})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${h})
    if(NOT rel IN_LIST TAVIX_LINUX_ONLY_HEADERS)
      list(APPEND TAVIX_LINUX_ONLY_HEADERS ${rel})
      set(tavix_changed TRUE)
    endif()
  endforeach()
endwhile()

set(TAVIX_SUPPORT_SOURCES ${tavix_support_sources})
list(REMOVE_ITEM TAVIX_SUPPORT_SOURCES ${tavix_bad_support})
add_library(testsupport STATIC ${TAVIX_SUPPORT_SOURCES} support/Empty.cpp)
target_link_libraries(testsupport PUBLIC platform GTest::gtest GTest::gmock Threads::Threads)
foreach(f ${tavix_bad_support})
  file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR} ${f})
  message(STATUS "Linux-only (not in the Windows suite): ${rel}")
endforeach()

function(tavix_test name)
  if(name STREQUAL "e2e")
    return()
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  tavix_linux_only(bad "${srcs}" "${TAVIX_LINUX_ONLY_HEADERS}")
  foreach(f ${bad})
    file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR} ${f})
    message(STATUS "Linux-only (not in the Windows suite): ${rel}")
  endforeach()
  if(bad)
    list(REMOVE_ITEM srcs ${bad})
  endif()
  if(srcs)
    add_executable(test_${name} ${srcs})
    target_link_libraries(test_${name} PRIVATE ${ARGN} testsupport GTest::gtest_main)
    add_test(NAME test_${name} COMMAND test_${name} --gtest_brief=1)
    set_tests_properties(test_${name} PROPERTIES TIMEOUT 600)
  endif()
endfunction()
