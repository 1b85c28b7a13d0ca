# Installing on Linux: the program in <prefix>/bin, its manual page, the README, the
# service notes, the copyright and changelog in the documentation folder, and the
# systemd user units; CPack makes a Debian package of the same files (cpack -G DEB in
# the build folder).
if(NOT WIN32)
  include(GNUInstallDirs)
  set(TAVIX_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/tavix)
  install(TARGETS tavix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Manual pages and the changelog are installed compressed, as Debian's policy asks.
  find_program(GZIP gzip REQUIRED)
  foreach(doc tavix.1 changelog)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${doc}.gz
      COMMAND ${GZIP} -9n -c ${CMAKE_SOURCE_DIR}/docs/${doc} > ${CMAKE_BINARY_DIR}/${doc}.gz
      DEPENDS ${CMAKE_SOURCE_DIR}/docs/${doc} VERBATIM)
  endforeach()
  add_custom_target(compressed_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/tavix.1.gz
                                                ${CMAKE_BINARY_DIR}/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/tavix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md docs/service.md packaging/copyright ${CMAKE_BINARY_DIR}/changelog.gz
          DESTINATION ${TAVIX_DOC_DIR})
  # systemd user units: tavix.service and the template tavix@NAME.service.
  install(FILES service/tavix.service service/tavix@.service
          DESTINATION lib/systemd/user)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME tavix)
  set(CPACK_PACKAGE_VENDOR "Orvane Pollarion")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watches whether one web server answers")
  set(CPACK_PACKAGE_DESCRIPTION
      "Polls one web server with HTTP/1.0 HEAD requests and logs each outcome.")
  set(CPACK_PACKAGE_CONTACT "Orvane Pollarion developers <developers@orvane-pollarion.example>")
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
