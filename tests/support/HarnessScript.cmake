# Shared by the ctest scripts (cmake -P) that drive the test host from its
# command line.

# Stops the script unless every named variable was passed with -D.
function(harness_script_needs)
  foreach(var ${ARGN})
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "${var} not set")
    endif()
  endforeach()
endfunction()

# expect_files(SAME|DIFFERENT a b why): stops the script with "why" unless
# the two files hold the same bytes (SAME) or not (DIFFERENT).
function(expect_files how a b why)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a} ${b} RESULT_VARIABLE differ)
  if(how STREQUAL "SAME" AND NOT differ EQUAL 0)
    message(FATAL_ERROR "${why}: ${a} and ${b} differ")
  elseif(how STREQUAL "DIFFERENT" AND differ EQUAL 0)
    message(FATAL_ERROR "${why}: ${a} and ${b} are the same")
  endif()
endfunction()
