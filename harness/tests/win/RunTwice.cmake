# Inverts the sample twice through the harness and the test module; the
# result must equal the sample as the harness writes it, byte for byte.
include(${CMAKE_CURRENT_LIST_DIR}/../../../tests/support/HarnessScript.cmake)
harness_script_needs(EMULATOR HARNESS MODULE SAMPLE WORK)
file(MAKE_DIRECTORY ${WORK})
file(REMOVE ${WORK}/same.png ${WORK}/once.png ${WORK}/twice.png ${WORK}/failed.png)

function(run_harness expect)
  execute_process(COMMAND ${EMULATOR} ${HARNESS} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL expect)
    message(FATAL_ERROR "harness ${ARGN}: exit ${rc}, expected ${expect}\n${out}${err}")
  endif()
endfunction()

run_harness(0 ${MODULE} ${SAMPLE} ${WORK}/same.png --runs 0)
run_harness(0 ${MODULE} ${SAMPLE} ${WORK}/once.png --about --selector 6 --log ${WORK}/once.json)
run_harness(0 ${MODULE} ${SAMPLE} ${WORK}/twice.png --runs 2)
expect_files(SAME ${WORK}/same.png ${WORK}/twice.png "two inversions did not give the sample back")
expect_files(DIFFERENT ${WORK}/same.png ${WORK}/once.png "one inversion left the sample unchanged")
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
