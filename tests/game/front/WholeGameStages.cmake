# Read by CTest after the tests of game_tests are listed. Each stage of the
# whole game (WholeGameTest.cpp) and of the tutorial's walk
# (TutorialWalkTest.cpp) starts from the home folder that the stage
# before on the same device left, and a second play of a stage ends against
# the first one's save file. So a stage sets up a fixture of its own and
# needs the one of the stage before; a second play needs its first: CTest
# then runs them in that order, brings the stages before into a run that
# picks a later one, and does not run a stage whose start failed.
foreach(test IN LISTS game_tests_TESTS)
  if(NOT test MATCHES "(WholeGameTest|TutorialWalkTest)\\.[A-Za-z]+/(.+)_stage([0-9]+)_[a-z_]+")
    continue()
  endif()
  set(suite "${CMAKE_MATCH_1}")
  set(device "${CMAKE_MATCH_2}")
  set(stage "${CMAKE_MATCH_3}")
  math(EXPR before "${stage} - 1")
  if(test MATCHES "_again( |$)")
    set_tests_properties("${test}" PROPERTIES FIXTURES_REQUIRED "${suite}_${device}_${stage}")
  else()
    set_tests_properties("${test}" PROPERTIES FIXTURES_SETUP "${suite}_${device}_${stage}")
    if(before GREATER 0)
      set_tests_properties("${test}" PROPERTIES FIXTURES_REQUIRED "${suite}_${device}_${before}")
    endif()
  endif()
endforeach()
