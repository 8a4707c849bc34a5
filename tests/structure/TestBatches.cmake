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
# A test run alone reports a skip as CTest's skip; a batch does not, as its
# other tests ran.
expect("single skip" "${properties_of_Single}" "PROPERTIES;SKIP_REGULAR_EXPRESSION;\\[  SKIPPED \\]")
expect("batch skip" "${properties_of_Devices/Screen/1-of-2}" "")

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

file(REMOVE_RECURSE "${scratch}")
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
