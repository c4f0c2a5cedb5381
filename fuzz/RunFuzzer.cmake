# Runs one fuzz target for a bounded time over a copy of its seed corpus.
# The seconds may be lowered from outside (CI) with QUOTARIUM_FUZZ_SECONDS.
if(DEFINED ENV{QUOTARIUM_FUZZ_SECONDS})
    set(SECONDS $ENV{QUOTARIUM_FUZZ_SECONDS})
endif()
set(ARTIFACTS ${WORK}-artifacts)
file(REMOVE_RECURSE ${WORK} ${ARTIFACTS})
file(MAKE_DIRECTORY ${WORK} ${ARTIFACTS})
file(GLOB seeds ${SEEDS}/*)
if(seeds)
    file(COPY ${seeds} DESTINATION ${WORK})
endif()
execute_process(
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
            -print_final_stats=1 -artifact_prefix=${ARTIFACTS}/ ${WORK}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FUZZER} found a problem (exit ${result}); the input that shows it is in ${ARTIFACTS}")
endif()
