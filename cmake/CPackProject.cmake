# Read by cpack once for each generator. The folder packages hold the portable
# layout; the Debian package holds the system-wide layout alone.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_QUOTARIUM_BUILD_DIR};Quotarium;system;/")
endif()
