# Run by CTest, one test a fuzz target:
#   cmake -DFUZZER=<build>/fuzz_<name> -DSEEDS=<fuzz/corpus/<name>> -DLOG=<file> -P InputsLeaveNothingBehind.cmake
#
# Runs the target over its seeds, each seed three times in a row, with
# libFuzzer counting the blocks every run allocates and frees. The first run
# of a seed may fill what is made once (a cache, a shared instance); a seed
# whose later runs all allocate more than they free leaves something behind
# at every input. Such state grows for the whole fuzz run, making each input
# slower than the last, and libFuzzer answers it with a leak check (a scan of
# the whole heap) after nearly every input: the target crawls.
if(NOT FUZZER OR NOT SEEDS OR NOT LOG)
  message(FATAL_ERROR "FUZZER, SEEDS and LOG must be set")
endif()
file(GLOB seeds LIST_DIRECTORIES false "${SEEDS}/*")
if(NOT seeds)
  message(FATAL_ERROR "no seeds in ${SEEDS}")
endif()

execute_process(COMMAND "${FUZZER}" -runs=3 -trace_malloc=1 ${seeds}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_FILE "${LOG}" TIMEOUT 50)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${status}); its output is in ${LOG}")
endif()
# "Running: <seed>" starts a seed; "MallocFreeTracer: STOP <allocated> <freed> ..." ends each run.
file(STRINGS "${LOG}" lines REGEX "^(Running: |MallocFreeTracer: STOP )")

set(growing "")
set(seed "")
set(runs 0)
set(grew 0)
macro(close_seed)
  math(EXPR later "${runs} - 1")
  if(runs GREATER 1 AND grew EQUAL later)
    string(APPEND growing "  ${seed}\n")
  endif()
endmacro()
foreach(line IN LISTS lines)
  if(line MATCHES "^Running: (.*)$")
    close_seed()
    set(seed "${CMAKE_MATCH_1}")
    set(runs 0)
    set(grew 0)
  elseif(line MATCHES "STOP ([0-9]+) ([0-9]+)")
    math(EXPR runs "${runs} + 1")
    if(runs GREATER 1 AND CMAKE_MATCH_1 GREATER CMAKE_MATCH_2)
      math(EXPR grew "${grew} + 1")
    endif()
  endif()
endforeach()
close_seed()

if(growing)
  message(FATAL_ERROR "These seeds leave blocks behind at every run (counts in ${LOG}):\n${growing}")
endif()
