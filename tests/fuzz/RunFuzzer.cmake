# Runs the fuzzer for a bounded time on a scratch copy of the seed corpus, so
# the checked-in seeds never change. Arguments: FUZZER, SEEDS, WORK.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus")
file(GLOB seeds "${SEEDS}/*.bmp")
file(COPY ${seeds} DESTINATION "${WORK}/corpus")
execute_process(
  COMMAND "${FUZZER}" "${WORK}/corpus" -max_total_time=30 -rss_limit_mb=2048 -timeout=10
          "-artifact_prefix=${WORK}/" -print_final_stats=1
  RESULT_VARIABLE rc
  OUTPUT_FILE "${WORK}/fuzz.log"
  ERROR_FILE "${WORK}/fuzz.log")
file(READ "${WORK}/fuzz.log" log)
string(REGEX MATCH "stat::number_of_executed_units: *[0-9]+" runs "${log}")
if(NOT rc EQUAL 0)
  message("${log}")
  message(FATAL_ERROR "bmp_reader_fuzz found a failing input; reproducer and log in ${WORK}")
endif()
message("bmp_reader_fuzz passed: ${runs}")
