# Inverts the sample twice through the harness and the test module; the
# result must equal the source byte for byte (same pixels, same encoder).
foreach(var EMULATOR HARNESS MODULE SAMPLE WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} not set")
  endif()
endforeach()
file(MAKE_DIRECTORY ${WORK})
file(REMOVE ${WORK}/once.png ${WORK}/twice.png ${WORK}/failed.png)

function(run_harness expect)
  execute_process(COMMAND ${EMULATOR} ${HARNESS} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL expect)
    message(FATAL_ERROR "harness ${ARGN}: exit ${rc}, expected ${expect}\n${out}${err}")
  endif()
endfunction()

run_harness(0 ${MODULE} ${SAMPLE} ${WORK}/once.png --about --selector 6 --log ${WORK}/once.json)
run_harness(0 ${MODULE} ${SAMPLE} ${WORK}/twice.png --runs 2)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SAMPLE} ${WORK}/twice.png RESULT_VARIABLE same)
if(NOT same EQUAL 0)
  message(FATAL_ERROR "two inversions did not give the sample back")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SAMPLE} ${WORK}/once.png RESULT_VARIABLE same)
if(same EQUAL 0)
  message(FATAL_ERROR "one inversion left the sample unchanged")
endif()
file(READ ${WORK}/once.json log)
if(NOT log MATCHES "\"call\":\"selectorDone\",\"selector\":5,\"name\":\"finish\",\"result\":0")
  message(FATAL_ERROR "the log has no successful finish")
endif()

# A failing run writes no image.
run_harness(1 ${MODULE} ${SAMPLE} ${WORK}/failed.png --refuse-advance)
if(EXISTS ${WORK}/failed.png)
  message(FATAL_ERROR "a failed run wrote its output")
endif()
# A module without a property list is refused before anything runs.
run_harness(3 ${HARNESS} ${SAMPLE} ${WORK}/failed.png)
