# The Windows installer beside the zip: cpack's External generator installs
# the same files the zip gets, and cmake/MakeInstaller.cmake wraps them with
# makensis (Debian's nsis) into quotarium-<version>-win64-setup.exe. Without
# makensis the package target makes the zip alone, and the installer test
# says what is missing.
find_program(QUOTARIUM_MAKENSIS makensis DOC "NSIS's compiler, for the Windows installer")
set(QUOTARIUM_SETUP_NAME "${QUOTARIUM_PACKAGE_NAME}-setup.exe")
set(QUOTARIUM_ICON "${PROJECT_SOURCE_DIR}/src/app/icons/quotarium.ico")
set(QUOTARIUM_NSI "${PROJECT_BINARY_DIR}/quotarium.nsi")
configure_file(${PROJECT_SOURCE_DIR}/src/app/windows/quotarium.nsi.in ${QUOTARIUM_NSI} @ONLY)
if(QUOTARIUM_MAKENSIS)
    list(APPEND CPACK_GENERATOR External)
    set(CPACK_EXTERNAL_ENABLE_STAGING ON)
    set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/MakeInstaller.cmake)
    set(CPACK_QUOTARIUM_MAKENSIS ${QUOTARIUM_MAKENSIS})
    set(CPACK_QUOTARIUM_NSI ${QUOTARIUM_NSI})
    set(CPACK_QUOTARIUM_SETUP_NAME ${QUOTARIUM_SETUP_NAME})
else()
    message(STATUS "makensis not found (Debian's nsis): the package is the zip alone")
endif()
