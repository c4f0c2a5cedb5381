# Installs a build into an empty folder and checks that it holds exactly what
# the package is made of: the executable and Qt's Chinese catalogs. A data
# file or a library slipping into the install rules fails here.
#   cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder>
#         -DEXECUTABLE=<file name of the executable> -P CheckPackage.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${WORK_DIR}"
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install ${BUILD_DIR} failed: ${result}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${WORK_DIR}" "${WORK_DIR}/*")
list(SORT installed)
# Without Qt's catalogs the program's standard dialogs would stay in English:
# a machine that lacks them cannot make a complete package.
set(expected "${EXECUTABLE}" qt/translations/qt_zh_CN.qm qt/translations/qtbase_zh_CN.qm
    qt/translations/qtmultimedia_zh_CN.qm)
list(SORT expected)
if(NOT installed STREQUAL expected)
    message(FATAL_ERROR "The package holds\n  ${installed}\nbut should hold\n  ${expected}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
