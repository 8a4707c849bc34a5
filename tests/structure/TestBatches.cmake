# Run by CTest: cmake -DSCRIPT=<MosswickTestBatchesList.cmake> -P TestBatches.cmake
#
# A stand-in test program lists its tests as GoogleTest does, parameter
# comments included; the batches written from that list must run every test
# exactly once, a suite's tests in their order (a parameterised suite's
# grouped by value) and in batches of near equal size no larger than asked
# (for the program, or for that suite), each named after its suite, with the
# suites asked for split into one test each.
cmake_minimum_required(VERSION 3.16)
if(NOT SCRIPT)
  message(FATAL_ERROR "SCRIPT is not set")
endif()
include("${SCRIPT}")

include("${CMAKE_CURRENT_LIST_DIR}/../support/ScratchFolder.cmake")
mosswick_scratch_folder(scratch test-batches)

# Nine tests of a plain suite, three of a parameterised one whose comments
# hold the characters a CMake list trips on, one suite of one test, and a
# suite of staged tests that run alone.
file(WRITE "${scratch}/listing.txt" [=[Running main() from gtest_main.cc
Plain.
  One
  Two
  Three
  Four
  Five
  Six
  Seven
  Eight
  Nine
Devices/Screen.
  Draws/phone  # GetParam() = "phone; [big]"
  Draws/tablet  # GetParam() = 16-byte object <40-82 7A-FF>
  Taps/phone  # GetParam() = "]phone["
Single.
  Only
Devices/Staged.
  Play/stage1
  Play/stage2
]=])
file(WRITE "${scratch}/program" "#!/bin/sh\ncat '${scratch}/listing.txt'\n")
file(CHMOD "${scratch}/program" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

set(failures "")
function(expect what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    string(APPEND failures "${what}:\n  got      ${actual}\n  expected ${expected}\n")
    set(failures "${failures}" PARENT_SCOPE)
  endif()
endfunction()

# Reads back what add_test was given: the names in order, and each one's filter.
function(add_test name program filter)
  set(added_names "${added_names};${name}" PARENT_SCOPE)
  string(REPLACE ";" "," filter "${filter}")
  set(filter_of_${name} "${filter}" PARENT_SCOPE)
endfunction()
function(set_tests_properties name)
  set(properties_of_${name} "${ARGN}" PARENT_SCOPE)
endfunction()

mosswick_write_test_batches("${scratch}/program" "${scratch}/batches.cmake" listed 4 "Devices/Staged,Other"
                            "Devices/Screen=2,Elsewhere=1")
set(added_names "")
include("${scratch}/batches.cmake")
list(REMOVE_AT added_names 0)

expect("batch names" "${added_names}"
  "Plain/1-of-3;Plain/2-of-3;Plain/3-of-3;Devices/Screen/1-of-2;Devices/Screen/2-of-2;Single;Devices/Staged.Play/stage1;Devices/Staged.Play/stage2")
expect("the list CTest gets" "${listed}" "${added_names}")
expect("first third" "${filter_of_Plain/1-of-3}" "--gtest_filter=Plain.One:Plain.Two:Plain.Three")
expect("last third" "${filter_of_Plain/3-of-3}" "--gtest_filter=Plain.Seven:Plain.Eight:Plain.Nine")
# A suite given its own size; one value's tests go together.
expect("parameterised suite" "${filter_of_Devices/Screen/1-of-2}"
  "--gtest_filter=Devices/Screen.Draws/phone:Devices/Screen.Taps/phone")
expect("its rest" "${filter_of_Devices/Screen/2-of-2}" "--gtest_filter=Devices/Screen.Draws/tablet")
expect("single" "${filter_of_Single}" "--gtest_filter=Single.Only")
expect("staged" "${filter_of_Devices/Staged.Play/stage2}" "--gtest_filter=Devices/Staged.Play/stage2")
# Every batch, one test or several, says when it counts as skipped (what
# that rule does is run through CTest below).
foreach(name IN LISTS added_names)
  if(NOT properties_of_${name} MATCHES "^PROPERTIES;SKIP_REGULAR_EXPRESSION;.")
    string(APPEND failures "batch ${name} has no skip rule: ${properties_of_${name}}\n")
  endif()
endforeach()

# A program with no test gives no batch.
file(WRITE "${scratch}/empty" "#!/bin/sh\necho 'Running main() from gtest_main.cc'\n")
file(CHMOD "${scratch}/empty" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(added_names "")
mosswick_write_test_batches("${scratch}/empty" "${scratch}/none.cmake" listed 4 "" "")
include("${scratch}/none.cmake")
expect("batches of a program with no test" "${added_names}" "")
expect("its list" "${listed}" "")

# A program that cannot list its tests stops CTest with its output.
file(WRITE "${scratch}/broken" "#!/bin/sh\necho 'cannot start'\nexit 3\n")
file(CHMOD "${scratch}/broken" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(WRITE "${scratch}/broken.cmake"
  "include([==[${SCRIPT}]==])\n"
  "mosswick_write_test_batches([==[${scratch}/broken]==] [==[${scratch}/never.cmake]==] listed 4 \"\")\n")
execute_process(COMMAND "${CMAKE_COMMAND}" -P "${scratch}/broken.cmake"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status EQUAL 0 OR NOT err MATCHES "cannot start" OR EXISTS "${scratch}/never.cmake")
  string(APPEND failures "a program that cannot list its tests: status ${status}, said:\n${out}${err}\n")
endif()

# CTest's verdict on batches run for real: a stand-in program answers each
# batch with what GoogleTest prints for its tests' outcomes. A batch whose
# tests all skipped is skipped (a packager without a display sees it so);
# one where any test ran passes; a failure, or a sanitiser's report after a
# skipped test, fails.
set(verdicts "${scratch}/verdicts")
file(MAKE_DIRECTORY "${verdicts}")
file(WRITE "${verdicts}/listing.txt" "Running main() from gtest_main.cc\n")
# stand_in(<suite> <exit status> <test>=<pass|skip|fail>... [AFTER <text>])
function(stand_in suite status)
  cmake_parse_arguments(arg "" "AFTER" "" ${ARGN})
  set(tests ${arg_UNPARSED_ARGUMENTS})
  list(LENGTH tests count)
  set(filter "")
  set(passed 0)
  set(skipped "")
  set(failed "")
  set(run "")
  file(APPEND "${verdicts}/listing.txt" "${suite}.\n")
  foreach(pair IN LISTS tests)
    string(REGEX MATCH "^([^=]+)=(.+)$" ignored "${pair}")
    set(test "${CMAKE_MATCH_1}")
    set(outcome "${CMAKE_MATCH_2}")
    file(APPEND "${verdicts}/listing.txt" "  ${test}\n")
    string(APPEND run "[ RUN      ] ${suite}.${test}\n")
    if(outcome STREQUAL "pass")
      string(APPEND run "[       OK ] ${suite}.${test} (1 ms)\n")
      math(EXPR passed "${passed} + 1")
    elseif(outcome STREQUAL "skip")
      string(APPEND run "x.cpp:1: Skipped\nno display\n\n[  SKIPPED ] ${suite}.${test} (0 ms)\n")
      list(APPEND skipped "${suite}.${test}")
    else()
      string(APPEND run "x.cpp:1: Failure\nExpected equality\n[  FAILED  ] ${suite}.${test} (1 ms)\n")
      list(APPEND failed "${suite}.${test}")
    endif()
  endforeach()
  macro(count_of list)
    list(LENGTH ${list} n)
    if(n EQUAL 1)
      set(counted "1 test")
    else()
      set(counted "${n} tests")
    endif()
  endmacro()
  count_of(tests)
  set(out "[==========] Running ${counted} from 1 test suite.\n[----------] Global test environment set-up.\n")
  string(APPEND out "[----------] ${counted} from ${suite}\n${run}[----------] ${counted} from ${suite} (1 ms total)\n\n")
  string(APPEND out "[----------] Global test environment tear-down\n[==========] ${counted} from 1 test suite ran. (1 ms total)\n")
  if(passed EQUAL 1)
    string(APPEND out "[  PASSED  ] 1 test.\n")
  else()
    string(APPEND out "[  PASSED  ] ${passed} tests.\n")
  endif()
  if(skipped)
    count_of(skipped)
    string(APPEND out "[  SKIPPED ] ${counted}, listed below:\n")
    foreach(test IN LISTS skipped)
      string(APPEND out "[  SKIPPED ] ${test}\n")
    endforeach()
  endif()
  if(failed)
    count_of(failed)
    string(APPEND out "[  FAILED  ] ${counted}, listed below:\n")
    foreach(test IN LISTS failed)
      string(APPEND out "[  FAILED  ] ${test}\n")
    endforeach()
    list(LENGTH failed n)
    string(APPEND out "\n ${n} FAILED TEST\n")
  endif()
  string(APPEND out "${arg_AFTER}")
  file(WRITE "${verdicts}/${suite}.out" "${out}")
  file(WRITE "${verdicts}/${suite}.status" "${status}")
endfunction()
stand_in(AllSkipped 0 One=skip Two=skip)
stand_in(SomeSkipped 0 One=skip Two=pass)
stand_in(SkippedAndFailed 1 One=skip Two=fail)
stand_in(Passing 0 One=pass Two=pass)
stand_in(Lone 0 Skips=skip)
stand_in(LoneLeaks 1 Skips=skip AFTER "\n=================================================================\n==1==ERROR: LeakSanitizer: detected memory leaks\n")
file(WRITE "${verdicts}/program" "#!/bin/sh
if [ \"$1\" = --gtest_list_tests ]; then cat '${verdicts}/listing.txt'; exit 0; fi
suite=\"\${1#--gtest_filter=}\"
suite=\"\${suite%%.*}\"
cat '${verdicts}/'\"$suite\".out
exit $(cat '${verdicts}/'\"$suite\".status)
")
file(CHMOD "${verdicts}/program" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(WRITE "${verdicts}/CTestTestfile.cmake" "
include([==[${SCRIPT}]==])
mosswick_write_test_batches([==[${verdicts}/program]==] [==[${verdicts}/batches.cmake]==] listed 4 \"\" \"\")
include([==[${verdicts}/batches.cmake]==])
")
if(CMAKE_CTEST_COMMAND)
  set(ctest "${CMAKE_CTEST_COMMAND}")
else()
  get_filename_component(bin "${CMAKE_COMMAND}" DIRECTORY)
  set(ctest "${bin}/ctest")
endif()
execute_process(COMMAND "${ctest}" WORKING_DIRECTORY "${verdicts}" OUTPUT_VARIABLE out ERROR_VARIABLE err)
foreach(pair AllSkipped=Skipped SomeSkipped=Passed SkippedAndFailed=Failed Passing=Passed Lone=Skipped
             LoneLeaks=Failed)
  string(REGEX MATCH "^([^=]+)=(.+)$" ignored "${pair}")
  set(batch "${CMAKE_MATCH_1}")
  set(verdict "${CMAKE_MATCH_2}")
  if(NOT out MATCHES "Test +#[0-9]+: ${batch} \\.+[ *]*([A-Za-z]+)")
    string(APPEND failures "CTest did not run batch ${batch}:\n${out}${err}\n")
  elseif(NOT CMAKE_MATCH_1 STREQUAL verdict)
    string(APPEND failures "batch ${batch}: CTest says ${CMAKE_MATCH_1}, expected ${verdict}\n")
  endif()
endforeach()

file(REMOVE_RECURSE "${scratch}")
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
