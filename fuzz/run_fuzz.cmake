# Runs the INI fuzz target a fixed number of times, starting from the seed
# corpus. New inputs go to a fresh work folder, never into the sources, and
# a crash leaves its input there for reproduction.
#   cmake -DFUZZER=<exe> -DCORPUS=<seeds> -DWORK=<folder> -DRUNS=<n> -P run_fuzz.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
execute_process(
  COMMAND ${FUZZER} -runs=${RUNS} -seed=1 -max_len=4096 -rss_limit_mb=2048
          -print_final_stats=1 -artifact_prefix=${WORK}/ ${WORK}/corpus ${CORPUS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ini_fuzz failed (${result}); the input is in ${WORK}")
endif()
