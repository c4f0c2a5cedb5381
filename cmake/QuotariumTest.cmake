# quotarium_add_test(<name> <source>... [LABELS <label>...])
# Every test runs headless with a private runtime folder, so tests can run in
# parallel on a machine without a display. A Windows build runs its tests
# under wine with Qt's offscreen platform, in one wine prefix made first.

if(WIN32 AND CMAKE_CROSSCOMPILING)
    set(QUOTARIUM_WINE /usr/lib/wine/wine64)
    set(QUOTARIUM_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine)
    # Wine hands its programs WINEQT_* variables as QT_* and keeps plain QT_*
    # ones for itself. The offscreen platform finds no fonts of its own on
    # Windows. WINEPATH lets the tests find Qt's libraries where they are.
    set(QUOTARIUM_WINE_ENVIRONMENT
        "WINEPREFIX=${QUOTARIUM_WINE_PREFIX}" "WINEDEBUG=-all" "DISPLAY="
        "WINEDLLOVERRIDES=mscoree,mshtml=" "WINEPATH=Z:${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}"
        "WINEQT_QPA_PLATFORM=offscreen" "WINEQT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/wqy")
    add_test(NAME wine_prefix COMMAND ${QUOTARIUM_WINE} wineboot --init)
    set_tests_properties(wine_prefix PROPERTIES
        FIXTURES_SETUP wine TIMEOUT 300 ENVIRONMENT "${QUOTARIUM_WINE_ENVIRONMENT}")
endif()

function(quotarium_add_test name)
    cmake_parse_arguments(ARG "" "" "LABELS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE quotarium_test_support quotarium_lib quotarium_warnings)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests/bin)
    set(runtime_dir ${PROJECT_BINARY_DIR}/tests/runtime/${name})
    file(MAKE_DIRECTORY ${runtime_dir})
    file(CHMOD ${runtime_dir} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_LABELS)
        set(ARG_LABELS unit)
    endif()
    set_tests_properties(${name} PROPERTIES
        LABELS "${ARG_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${runtime_dir};QTEST_FUNCTION_TIMEOUT=60000")
    if(WIN32 AND CMAKE_CROSSCOMPILING)
        set_target_properties(${name} PROPERTIES
            CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/cmake/RunUnderWine.sh)
        set_tests_properties(${name} PROPERTIES
            FIXTURES_REQUIRED wine
            ENVIRONMENT "${QUOTARIUM_WINE_ENVIRONMENT};QTEST_FUNCTION_TIMEOUT=60000")
    endif()
endfunction()
