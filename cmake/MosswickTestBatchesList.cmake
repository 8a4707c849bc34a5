# Run by CTest (see MosswickTestBatches.cmake): lists a GoogleTest program's
# tests and writes the CTest file that runs them in batches.

# CTest reads this file with its own policy settings; the function keeps these.
cmake_policy(PUSH)
cmake_policy(VERSION 3.16)

function(mosswick_write_test_batches program file list_variable size alone)
  # Optional: "<suite>=<size>,..." for suites whose tests run longer.
  set(sizes "${ARGN}")
  execute_process(COMMAND "${program}" --gtest_list_tests
                  TIMEOUT 60 OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Listing the tests of ${program} failed (${result}):\n${output}${errors}")
  endif()
  # What follows a name is a comment (a parameter's value, which may hold any
  # character); names hold none of the characters CMake lists trip on.
  string(REGEX REPLACE "  +#[^\n]*" "" output "${output}")
  string(REGEX REPLACE "[][;]" "" output "${output}")
  string(REPLACE "\n" ";" lines "${output}")
  string(REPLACE "," ";" alone "${alone}")
  string(REPLACE "," ";" sizes "${sizes}")

  set(count 0)
  foreach(line IN LISTS lines)
    if(line MATCHES "^([^ ]+)\\.$")
      math(EXPR count "${count} + 1")
      set(suite_${count} "${CMAKE_MATCH_1}")
      set(tests_${count} "")
    elseif(line MATCHES "^  +([^ ]+)$" AND count GREATER 0)
      list(APPEND tests_${count} "${CMAKE_MATCH_1}")
    endif()
  endforeach()

  # A batch whose tests all skipped themselves (no display, say) is reported
  # as skipped, not passed: GoogleTest's summary then ends with no test passed
  # and the list of the skipped ones. A batch where one test ran passes or
  # fails on it; a failure (its list follows the skipped ones) or anything
  # printed after the summary (a sanitiser's report) keeps the batch's own
  # verdict, as CTest's skip would override a failure.
  set(nl "\n")
  set(all_skipped "\\[  PASSED  \\] 0 tests\\.${nl}\\[  SKIPPED \\] [0-9]+ tests?, listed below:${nl}")
  string(APPEND all_skipped "(\\[  SKIPPED \\] [^${nl}]*${nl})*[${nl}]*( *YOU HAVE [0-9]+ DISABLED TESTS?[${nl}]*)?$")

  set(script "")
  set(names "")
  set(indices "")
  if(count GREATER 0)
    foreach(index RANGE 1 ${count})
      list(APPEND indices ${index})
    endforeach()
  endif()
  foreach(index IN LISTS indices)
    set(suite "${suite_${index}}")
    # A parameterised suite lists each test once per value ("Draws/phone",
    # "Draws/tablet", "Taps/phone"): its batches take one value's tests
    # together, so that they share what a process keeps (the device's sheets).
    # The tests of a plain suite share one value ("-", which no name holds),
    # so their order stays.
    set(values "")
    foreach(test IN LISTS tests_${index})
      set(value "-")
      if(test MATCHES "/([^/]+)$")
        set(value "${CMAKE_MATCH_1}")
      endif()
      list(APPEND values "${value}")
      list(APPEND value_tests_${index}_${value} "${test}")
    endforeach()
    list(REMOVE_DUPLICATES values)
    set(tests "")
    foreach(value IN LISTS values)
      list(APPEND tests ${value_tests_${index}_${value}})
    endforeach()
    list(LENGTH tests total)
    if(total EQUAL 0)
      continue()
    endif()
    list(FIND alone "${suite}" found)
    if(found GREATER -1)
      set(batch_size 1)
      set(batches ${total})
    else()
      set(suite_size ${size})
      foreach(pair IN LISTS sizes)
        if(pair MATCHES "^(.+)=([0-9]+)$" AND CMAKE_MATCH_1 STREQUAL suite)
          set(suite_size ${CMAKE_MATCH_2})
        endif()
      endforeach()
      # Batches of near equal size: 9 tests with a size of 8 run as 5 and 4.
      math(EXPR batches "(${total} + ${suite_size} - 1) / ${suite_size}")
      math(EXPR batch_size "(${total} + ${batches} - 1) / ${batches}")
    endif()
    set(first 0)
    foreach(batch RANGE 1 ${batches})
      if(first GREATER_EQUAL total)
        break()
      endif()
      list(SUBLIST tests ${first} ${batch_size} part)
      math(EXPR first "${first} + ${batch_size}")
      list(TRANSFORM part PREPEND "${suite}.")
      if(found GREATER -1)
        set(name "${part}")
      elseif(batches EQUAL 1)
        set(name "${suite}")
      else()
        set(name "${suite}/${batch}-of-${batches}")
      endif()
      list(JOIN part ":" filter)
      string(APPEND script "add_test([==[${name}]==] [==[${program}]==] [==[--gtest_filter=${filter}]==])\n")
      string(APPEND script "set_tests_properties([==[${name}]==] PROPERTIES SKIP_REGULAR_EXPRESSION [==[${all_skipped}]==])\n")
      list(APPEND names "${name}")
    endforeach()
  endforeach()
  string(APPEND script "set(${list_variable} [==[${names}]==])\n")
  file(WRITE "${file}" "${script}")
endfunction()

cmake_policy(POP)
