# The Debian package. `cpack -G DEB` in a build folder makes ipmdb_<version>_<arch>.deb from
# everything the install() rules put under the prefix: every program installed here or beside its
# target (a new program joins the package with one install(TARGETS ...) line below), the desktop
# entry, the icons and the manual page. Its dependencies are found by
# dpkg-shlibdeps from the programs' own libraries, never listed by hand.

install(TARGETS ipmdb-convert jetcheck RUNTIME DESTINATION bin)

# The manual page of ipmdb-convert, made from its --help and --version, which are UTF-8, and its
# one-line name in resources/ipmdb-convert.h2m.
find_program(IPMDB_HELP2MAN help2man)
if(IPMDB_HELP2MAN)
  set(IPMDB_MAN_PAGE ${CMAKE_BINARY_DIR}/share/man/man1/ipmdb-convert.1.gz)
  add_custom_command(
    OUTPUT ${IPMDB_MAN_PAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man1
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            ${IPMDB_HELP2MAN} --no-info --section=1 --locale=C.UTF-8
            --include=${CMAKE_SOURCE_DIR}/resources/ipmdb-convert.h2m
            --output=${CMAKE_BINARY_DIR}/share/man/man1/ipmdb-convert.1 $<TARGET_FILE:ipmdb-convert>
    COMMAND gzip -n -9 -f ${CMAKE_BINARY_DIR}/share/man/man1/ipmdb-convert.1
    DEPENDS ipmdb-convert ${CMAKE_SOURCE_DIR}/resources/ipmdb-convert.h2m
    COMMENT "Writing the manual page of ipmdb-convert")
  add_custom_target(ipmdb_man_page ALL DEPENDS ${IPMDB_MAN_PAGE})
  install(FILES ${IPMDB_MAN_PAGE} DESTINATION share/man/man1)
else()
  message(WARNING "help2man was not found: the package will lack the manual page of ipmdb-convert")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ipmdb)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ipmdb <ipmdb@fenwarde.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converts a text IP-range database into an Access (Jet 4) database")
set(CPACK_PACKAGE_DESCRIPTION
    "ipmdb reads a plain-text IP-range database (GBK text, one range per line) and writes an\n"
    "Access 2000 (Jet 4.0) database with one table IP. The window ipmdb and the command\n"
    "ipmdb-convert share one conversion engine.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Chinese texts for the dialogs and buttons; the program runs without them, in English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
