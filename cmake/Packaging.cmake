# Installation of the manual page and packaging with CPack.
#
#   cmake --install build --prefix /usr/local     # bin/velkar, share/man/man6/velkar.6
#   cd build && cpack                             # velkar_2.1_amd64.deb (and a .tar.gz)
#
# A Windows build packs velkar.exe into a zip file instead.

if(WIN32)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "velkar-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR}")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/docs/velkar.6 DESTINATION share/man/man6)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md DESTINATION share/doc/velkar)
  set(CPACK_GENERATOR DEB TGZ)
endif()

set(CPACK_PACKAGE_NAME velkar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Velkar developers")
set(CPACK_PACKAGE_CONTACT "The Velkar developers <velkar@velkar.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chess engine for the Universal Chess Interface (UCI)")
set(CPACK_PACKAGE_DESCRIPTION "Velkar is a chess engine. A chess interface (Cute Chess, Arena,
xboard through polyglot, lichess-bot, a match runner) starts it as a
child process and drives it over standard input and output with the
UCI protocol.")
set(CPACK_STRIP_FILES ON)

# Debian package: /usr/bin/velkar and its manual page.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The library versions the binary needs come from dpkg-shlibdeps (package
# dpkg-dev) when it is there; without it, the libraries a g++ build links.
find_program(VELKAR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VELKAR_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
  if(FATHOM_LIBRARY)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libfathom1")
  endif()
endif()

include(CPack)
