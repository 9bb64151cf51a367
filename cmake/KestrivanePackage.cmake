# make package: the command line as a Debian binary package, by CPack's DEB generator:
# kestrivane and kestrivane-box in /usr/bin, their manual pages (compressed), bash
# completion, the copyright file (machine-readable: the MIT licence, and what is
# compiled in) and the changelog; the dependencies computed from the binaries
# (dpkg-shlibdeps), bash-completion recommended. The version is the project's.
include(GNUInstallDirs)

set(KV_PACKAGE_DOC ${CMAKE_INSTALL_DATAROOTDIR}/doc/kestrivane)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog)
add_custom_target(package_files ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${KV_PACKAGE_DOC})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrivane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kestrivane developers")
set(CPACK_PACKAGE_CONTACT "The Kestrivane developers <developers@kestrivane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copies a 4730 receiver box's memory image over a serial line")
# The lines below the summary (one string: a CMake list would bring semicolons).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "kestrivane downloads the five sections of a satellite receiver box's image
into section files and writes them back, over a USB-serial adapter, and
checks, compares and verifies images; several boxes can be served at once.
kestrivane-box emulates a box on a pseudo-terminal, to try it without one.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
