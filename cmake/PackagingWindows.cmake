# The Windows zip. `cpack -G ZIP` in a Windows build folder makes ipmdb-<version>-win64.zip with
# the programs the Debian package carries, at the top of one folder of that name: they are linked
# statically, so unpacking is the whole installation.
install(TARGETS ipmdb-convert jetcheck RUNTIME DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ipmdb)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ipmdb-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
