# quotarium_add_test(<name> <source>... [LABELS <label>...])
# Every test runs headless with a private runtime folder, so tests can run in
# parallel on a machine without a display.
function(quotarium_add_test name)
    cmake_parse_arguments(ARG "" "" "LABELS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE quotarium_test_support quotarium_lib quotarium_warnings)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
    set(runtime_dir ${CMAKE_BINARY_DIR}/tests/runtime/${name})
    file(MAKE_DIRECTORY ${runtime_dir})
    file(CHMOD ${runtime_dir} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_LABELS)
        set(ARG_LABELS unit)
    endif()
    set_tests_properties(${name} PROPERTIES
        LABELS "${ARG_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${runtime_dir};QTEST_FUNCTION_TIMEOUT=60000")
endfunction()
