# Runs one fuzz target for a bounded time over a copy of its seed corpus.
# The seconds may be lowered from outside (CI) with QUOTARIUM_FUZZ_SECONDS.
if(DEFINED ENV{QUOTARIUM_FUZZ_SECONDS})
    set(SECONDS $ENV{QUOTARIUM_FUZZ_SECONDS})
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(GLOB seeds ${SEEDS}/*)
if(seeds)
    file(COPY ${seeds} DESTINATION ${WORK})
endif()
execute_process(
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
            -print_final_stats=1 ${WORK}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FUZZER} found a problem (exit ${result}); the input is in the working directory as crash-*/leak-*/timeout-*")
endif()
