# The Windows packages, made by cpack in a Windows build folder from the same install rules:
# - `cpack -G ZIP`: ipmdb-<version>-win64.zip, the programs and the README at the top of one folder
#   of that name. They are linked statically, so unpacking is the whole installation, and the
#   window run from there is a portable program.
# - `cpack -G NSIS`: ipmdb-<version>-win64-setup.exe, a 64-bit installer (Debian's nsis) that puts
#   them under the 64-bit Program Files, with a Start-menu entry for the window, an entry in the
#   system's list of installed programs and an uninstaller that removes all of it. `/S` installs
#   and uninstalls silently, and `/D=FOLDER` (last, unquoted) chooses the folder.
# The programs are those the Debian package carries, and the window when this build has it.
set(IPMDB_WINDOWS_PROGRAMS ipmdb-convert jetcheck)
if(TARGET ipmdb)
  list(PREPEND IPMDB_WINDOWS_PROGRAMS ipmdb)
endif()
install(TARGETS ${IPMDB_WINDOWS_PROGRAMS} RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME ipmdb)
# The maker, shown as the publisher in the list of installed programs. The installer keeps its
# folder under HKLM\Software\Fenwarde\ipmdb, apart from the window's own settings under
# HKCU\Software\ipmdb\ipmdb, which an installation for one user would otherwise share and its
# uninstaller delete.
set(CPACK_PACKAGE_VENDOR Fenwarde)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ipmdb-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
# Every value reaches the installer's script as written here, quotes and backslashes included.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackWindowsOptions.cmake)

# The folder under Program Files, the key of the list of installed programs and the Start-menu
# folder are all plain "ipmdb", the same for every version: a new version replaces the old.
set(CPACK_PACKAGE_INSTALL_DIRECTORY ipmdb)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ipmdb)
set(CPACK_NSIS_PACKAGE_NAME ipmdb)
set(CPACK_NSIS_DISPLAY_NAME ipmdb)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# The installer is itself a 64-bit program, so that it sees the 64-bit Program Files and registry.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_COMPRESSOR lzma)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/resources/ipmdb.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/resources/ipmdb.ico)
set(CPACK_NSIS_URL_INFO_ABOUT ${IPMDB_MAKER_URL})
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
if(TARGET ipmdb)
  # The Start-menu entry opens the window; it is named by the window's title.
  set(CPACK_PACKAGE_EXECUTABLES ipmdb "MorvaneIP数据库转换程序")
  set(CPACK_NSIS_INSTALLED_ICON_NAME ipmdb.exe)
else()
  set(CPACK_NSIS_INSTALLED_ICON_NAME ipmdb-convert.exe)
endif()
# The uninstaller removes the key Software\Fenwarde\ipmdb the installer writes, but not its
# parent, which it would leave behind empty. This hook runs after that removal.
set(CPACK_NSIS_DELETE_ICONS_EXTRA "DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\"")
include(CPack)
