# Run by CTest: cmake -DPROGRAM=<mosswick> -P NoResources.cmake
#
# A copy of the program in a scratch folder outside any checkout, with no
# resources folder beside it, must refuse to start: one line that names the
# problem, and a non-zero exit. The same when MOSSWICK_RESOURCES names a folder
# that is not there.
if(NOT PROGRAM)
  message(FATAL_ERROR "PROGRAM is not set")
endif()

include("${CMAKE_CURRENT_LIST_DIR}/../support/ScratchFolder.cmake")
mosswick_scratch_folder(scratch no-resources)
file(MAKE_DIRECTORY "${scratch}/bin")
file(CREATE_LINK "${PROGRAM}" "${scratch}/bin/mosswick" COPY_ON_ERROR)

set(failures "")
# expect_refusal(<MOSSWICK_RESOURCES or empty> <regex the line must match>)
function(expect_refusal resources pattern)
  if(resources STREQUAL "")
    unset(ENV{MOSSWICK_RESOURCES})
  else()
    set(ENV{MOSSWICK_RESOURCES} "${resources}")
  endif()
  execute_process(COMMAND "${scratch}/bin/mosswick" --headless --frames 1
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  string(STRIP "${out}${err}" said)
  string(REGEX MATCHALL "\n" newlines "${said}")
  list(LENGTH newlines extra_lines)
  set(case "MOSSWICK_RESOURCES='${resources}'")
  if(status EQUAL 0)
    string(APPEND failures "${case}: exited with 0\n")
  endif()
  if(NOT extra_lines EQUAL 0 OR NOT said MATCHES "${pattern}")
    string(APPEND failures "${case}: wanted one line matching '${pattern}', got:\n${said}\n")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

expect_refusal("" "no resources folder.*MOSSWICK_RESOURCES")
expect_refusal("${scratch}/missing" "no resources folder at .*/missing")

file(REMOVE_RECURSE "${scratch}")
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
