# Read by cpack once per package it makes (CPACK_PROJECT_CONFIG_FILE): the installer's name says
# what it is beside the zip.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()
