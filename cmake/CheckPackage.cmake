# Checks that a build's package holds exactly what it is made of. A data file,
# a test program or a stray library slipping into the install rules fails here.
#   cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder>
#         -DEXECUTABLE=<file name of the executable> -P CheckPackage.cmake
# For a Windows build also -DZIP=<package file name without .zip>
# -DOBJDUMP=<the mingw objdump>: the zip is made and opened, and every library
# a program in it imports must be in it or come with Windows.
cmake_policy(VERSION 3.25)
file(REMOVE_RECURSE "${WORK_DIR}")
# Without Qt's catalogs the program's standard dialogs would stay in English:
# a machine that lacks them cannot make a complete package.
set(expected "${EXECUTABLE}" qt/translations/qt_zh_CN.qm qt/translations/qtbase_zh_CN.qm
    qt/translations/qtmultimedia_zh_CN.qm)

if(ZIP)
    get_filename_component(cmake_bin "${CMAKE_COMMAND}" DIRECTORY)
    execute_process(COMMAND "${cmake_bin}/cpack" -G ZIP --config "${BUILD_DIR}/CPackConfig.cmake"
                            -B "${WORK_DIR}"
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0 OR NOT EXISTS "${WORK_DIR}/${ZIP}.zip")
        message(FATAL_ERROR "cpack did not make ${ZIP}.zip: ${result}\n${output}")
    endif()
    file(MAKE_DIRECTORY "${WORK_DIR}/unpacked")
    execute_process(COMMAND "${CMAKE_COMMAND}" -E tar xf "${WORK_DIR}/${ZIP}.zip"
        WORKING_DIRECTORY "${WORK_DIR}/unpacked" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${ZIP}.zip does not open: ${result}")
    endif()
    set(root "${WORK_DIR}/unpacked/${ZIP}")
    list(APPEND expected
        Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Network.dll
        icuuc72.dll icuin72.dll icudt72.dll
        icu/icudt72l/coll/zh.res icu/icudt72l/coll/zh_CN.res icu/icudt72l/coll/zh_Hans.res
        icu/icudt72l/coll/zh_Hans_CN.res
        libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll
        platforms/qwindows.dll imageformats/qgif.dll tls/qschannelbackend.dll
        styles/qwindowsvistastyle.dll)
else()
    execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${WORK_DIR}"
        RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "cmake --install ${BUILD_DIR} failed: ${result}")
    endif()
    set(root "${WORK_DIR}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
if(ZIP)
    # Everything sits in the one folder the zip unpacks to.
    file(GLOB_RECURSE everything LIST_DIRECTORIES true RELATIVE "${WORK_DIR}/unpacked"
        "${WORK_DIR}/unpacked/*")
    list(FILTER everything EXCLUDE REGEX "^${ZIP}(/|$)")
    if(everything)
        message(FATAL_ERROR "The zip holds more than its folder ${ZIP}: ${everything}")
    endif()
endif()
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
    message(FATAL_ERROR "The package holds\n  ${installed}\nbut should hold\n  ${expected}")
endif()

if(ZIP)
    # What Windows itself provides, in System32, on Windows 10 and 11.
    set(system_libraries
        advapi32 authz bcrypt comdlg32 crypt32 d2d1 d3d11 d3d9 dnsapi dwmapi dwrite dxgi gdi32
        imm32 iphlpapi kernel32 mpr msvcrt netapi32 ncrypt ole32 oleaut32 secur32 setupapi
        shcore shell32 shlwapi user32 userenv uxtheme version winhttp winmm ws2_32 wtsapi32)
    file(GLOB_RECURSE programs "${root}/*.exe" "${root}/*.dll")
    set(shipped)
    foreach(program IN LISTS programs)
        get_filename_component(name "${program}" NAME)
        string(TOLOWER "${name}" name)
        list(APPEND shipped "${name}")
    endforeach()
    set(missing)
    foreach(program IN LISTS programs)
        execute_process(COMMAND "${OBJDUMP}" -p "${program}" OUTPUT_VARIABLE table
            RESULT_VARIABLE result)
        string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${table}")
        if(NOT result EQUAL 0 OR NOT imports)
            message(FATAL_ERROR "No import table read from ${program}")
        endif()
        file(RELATIVE_PATH shown "${root}" "${program}")
        foreach(import IN LISTS imports)
            string(REGEX REPLACE "^DLL Name: " "" import "${import}")
            string(TOLOWER "${import}" import)
            string(REGEX REPLACE "\\.dll$" "" stem "${import}")
            if(NOT import IN_LIST shipped AND NOT stem IN_LIST system_libraries
               AND NOT stem MATCHES "^api-ms-win-")
                list(APPEND missing "${shown} imports ${import}")
            endif()
        endforeach()
    endforeach()
    if(missing)
        string(REPLACE ";" "\n  " missing "${missing}")
        message(FATAL_ERROR "Libraries neither in the package nor part of Windows:\n  ${missing}")
    endif()

    # The executable's icon group (0x0e), version information (0x10) and
    # manifest (0x18): the first level of its resource directory.
    execute_process(COMMAND "${OBJDUMP}" -p "${root}/${EXECUTABLE}" OUTPUT_VARIABLE table)
    foreach(type 0e 10 18)
        if(NOT table MATCHES "\n[0-9a-f]+   Entry: ID: 0x0000${type},")
            message(FATAL_ERROR "${EXECUTABLE} lacks the resource of type 0x${type}")
        endif()
    endforeach()
else()
    file(REMOVE_RECURSE "${WORK_DIR}")
endif()
