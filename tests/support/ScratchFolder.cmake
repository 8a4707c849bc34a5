# For the tests that CTest runs as CMake scripts.
#
# mosswick_scratch_folder(<variable> <name>): makes a new empty folder named
# after <name> under $TMPDIR (else /tmp) and sets <variable> to its path.
function(mosswick_scratch_folder variable name)
  if(DEFINED ENV{TMPDIR} AND IS_DIRECTORY "$ENV{TMPDIR}")
    set(root "$ENV{TMPDIR}")
  else()
    set(root "/tmp")
  endif()
  string(RANDOM LENGTH 12 suffix)
  set(folder "${root}/mosswick-${name}-${suffix}")
  file(MAKE_DIRECTORY "${folder}")
  set(${variable} "${folder}" PARENT_SCOPE)
endfunction()
