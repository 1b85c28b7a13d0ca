# Installing on Linux: the program in <prefix>/bin, its manual page, and the README
# and the service notes in the documentation folder; CPack makes a Debian package of
# the same files (cpack -G DEB in the build folder).
if(NOT WIN32)
  include(GNUInstallDirs)
  set(TAVIX_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/tavix)
  install(TARGETS tavix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES docs/tavix.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md docs/service.md DESTINATION ${TAVIX_DOC_DIR})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME tavix)
  set(CPACK_PACKAGE_VENDOR "Orvane Pollarion")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watches whether one web server answers")
  set(CPACK_PACKAGE_DESCRIPTION
      "Polls one web server with HTTP/1.0 HEAD requests and logs each outcome; runs in a terminal or headless.")
  set(CPACK_PACKAGE_CONTACT "Orvane Pollarion developers <tavix@localhost>")
  set(CPACK_PACKAGE_INSTALL_DIRECTORY tavix)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Depends from the libraries the program links (libssl3)
  if(TAVIX_TLS)
    # https checks certificates against the system's trusted roots.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates")
  endif()
  set(CPACK_STRIP_FILES ON)
  include(CPack)
endif()
