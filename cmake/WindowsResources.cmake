# The Windows resources every program carries, compiled by windres (CMake's RC language):
#   ipmdb_windows_resources(TARGET <target> [DESCRIPTION <text>] [GUI])
# gives <target> the program icon (resource MAINICON, resources/ipmdb.ico), a version block made
# from the project's version with DESCRIPTION (else the target's name) as the file description
# and the maker's web address as the company, and with GUI the manifest of a window
# (resources/windows/window.manifest.in).
# Elsewhere it does nothing, so that a program's CMakeLists.txt calls it unconditionally.
if(NOT WIN32)
  function(ipmdb_windows_resources)
  endfunction()
  return()
endif()
enable_language(RC)

# The maker's web address, taken from the one place the programs take it from.
file(STRINGS ${CMAKE_SOURCE_DIR}/src/engine/Branding.h IPMDB_MAKER_URL_LINE REGEX "kMakerUrl = ")
string(REGEX REPLACE ".*kMakerUrl = \"([^\"]+)\".*" "\\1" IPMDB_MAKER_URL "${IPMDB_MAKER_URL_LINE}")
if(NOT IPMDB_MAKER_URL MATCHES "^https?://")
  message(FATAL_ERROR "kMakerUrl was not found in src/engine/Branding.h")
endif()

function(ipmdb_windows_resources)
  cmake_parse_arguments(PARSE_ARGV 0 IPMDB "GUI" "TARGET;DESCRIPTION" "")
  if(NOT IPMDB_TARGET)
    message(FATAL_ERROR "ipmdb_windows_resources needs a TARGET")
  endif()
  if(NOT IPMDB_DESCRIPTION)
    set(IPMDB_DESCRIPTION ${IPMDB_TARGET})
  endif()
  set(IPMDB_ICON_FILE ${CMAKE_SOURCE_DIR}/resources/ipmdb.ico)
  set(folder ${CMAKE_BINARY_DIR}/resources/${IPMDB_TARGET})
  set(IPMDB_MANIFEST_LINE "")
  # windres does not tell the build which files the script names: a new icon or manifest must
  # rebuild the resources all the same.
  set(inputs ${IPMDB_ICON_FILE})
  if(IPMDB_GUI)
    configure_file(${CMAKE_SOURCE_DIR}/resources/windows/window.manifest.in ${folder}/window.manifest @ONLY)
    # Resource 1 of type 24 (RT_MANIFEST) is the manifest the loader reads when the program starts.
    set(IPMDB_MANIFEST_LINE "1 24 \"${folder}/window.manifest\"")
    list(APPEND inputs ${folder}/window.manifest)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/resources/windows/program.rc.in ${folder}/program.rc @ONLY)
  target_sources(${IPMDB_TARGET} PRIVATE ${folder}/program.rc)
  set_source_files_properties(${folder}/program.rc TARGET_DIRECTORY ${IPMDB_TARGET} PROPERTIES
                              OBJECT_DEPENDS "${inputs}")
endfunction()
