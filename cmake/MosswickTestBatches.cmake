# Registers a GoogleTest program's tests with CTest in batches: a CTest test
# runs a few tests of one suite in one process, one after another, as
# GoogleTest runs them. Starting a test process under the sanitisers costs
# up to a second of CPU (the loader, the sanitiser's start, the GL driver
# compiling its shaders again, the leak check at exit); tests that share the
# process share that second.
#
# Like gtest_discover_tests(... DISCOVERY_MODE PRE_TEST), CTest lists the
# program's tests when it starts (after a build changed the program), so a
# configure never runs a test program.
#
#   mosswick_add_test_batches(<program>
#       LIST <variable>        # CTest variable that gets every batch's name
#       [SIZE <n>]             # most tests in one batch (default 8)
#       [SIZES <suite>=<n>...] # the most for these suites
#       [ALONE <suite>...]     # suites whose tests each run alone
#       TIMEOUT <seconds>      # of each batch
#       ENVIRONMENT <VAR=value>...)  # every batch's environment
#
# A suite that fits in one batch is the test "<suite>"; a longer one is split
# into "<suite>/1-of-<k>" ... (tests in their order); a test run alone is
# "<suite>.<test>". A test that fails shows in the batch's output under its
# own name, and `<program> --gtest_filter=<suite>.<test>` runs it again alone.

set(MOSSWICK_TEST_BATCHES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/MosswickTestBatchesList.cmake)

function(mosswick_add_test_batches program)
  cmake_parse_arguments(arg "" "LIST;SIZE;TIMEOUT" "ALONE;SIZES;ENVIRONMENT" ${ARGN})
  if(NOT arg_SIZE)
    set(arg_SIZE 8)
  endif()
  set(base ${CMAKE_CURRENT_BINARY_DIR}/${program})
  set(batches_file ${base}_batches.cmake)
  # A bracket argument keeps the list one value.
  string(JOIN ";" environment ${arg_ENVIRONMENT})
  set(properties "TIMEOUT ${arg_TIMEOUT} ENVIRONMENT [==[${environment}]==]")
  string(JOIN "," alone ${arg_ALONE})
  string(JOIN "," sizes ${arg_SIZES})
  file(GENERATE OUTPUT ${base}_include.cmake CONTENT
"set(program [==[$<TARGET_FILE:${program}>]==])
if(NOT EXISTS \"\${program}\")
  add_test(${program}_NOT_BUILT ${program}_NOT_BUILT)
  return()
endif()
if(NOT EXISTS [==[${batches_file}]==] OR \"\${program}\" IS_NEWER_THAN [==[${batches_file}]==]
   OR [==[${MOSSWICK_TEST_BATCHES_SCRIPT}]==] IS_NEWER_THAN [==[${batches_file}]==])
  include([==[${MOSSWICK_TEST_BATCHES_SCRIPT}]==])
  mosswick_write_test_batches(\"\${program}\" [==[${batches_file}]==] ${arg_LIST} ${arg_SIZE} \"${alone}\"
                              \"${sizes}\")
endif()
include([==[${batches_file}]==])
set_tests_properties(\${${arg_LIST}} PROPERTIES ${properties})
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${base}_include.cmake)
endfunction()
