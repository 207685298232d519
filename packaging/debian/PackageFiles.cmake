# Run by cpack after it has installed the files into its staging folder: the Debian changelog,
# whose closing line names the package's maintainer, compressed without a time stamp as Debian
# wants it (reproducible).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(doc "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/trevane")
set(TREVANE_CHANGELOG_MAINTAINER "${CPACK_DEBIAN_PACKAGE_MAINTAINER}")
if(NOT TREVANE_CHANGELOG_MAINTAINER)
  set(TREVANE_CHANGELOG_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
endif()
set(PROJECT_VERSION "${CPACK_PACKAGE_VERSION}")
file(MAKE_DIRECTORY "${doc}")
configure_file("${CPACK_TREVANE_PACKAGING_DIR}/debian/changelog.in" "${doc}/changelog" @ONLY)
execute_process(COMMAND gzip -9n "${doc}/changelog" COMMAND_ERROR_IS_FATAL ANY)
