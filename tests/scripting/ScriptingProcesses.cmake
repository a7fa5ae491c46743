# Recorded actions and the descriptor registry across separate test-host
# processes, with the built module: each harness run is a new host process.
include(${CMAKE_CURRENT_LIST_DIR}/../support/HarnessScript.cmake)
harness_script_needs(EMULATOR HARNESS MODULE SAMPLE VALUES WORK)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(run_harness expect)
  execute_process(COMMAND ${EMULATOR} ${HARNESS} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL expect)
    message(FATAL_ERROR "harness ${ARGN}: exit ${rc}, expected ${expect}\n${out}${err}")
  endif()
  if(err MATCHES "warning")
    message(FATAL_ERROR "harness ${ARGN}: ${err}")
  endif()
endfunction()

# 1. Replay every value; finish records it and registers it as persistent.
run_harness(0 ${MODULE} ${SAMPLE} ${WORK}/replayed.png --replay ${VALUES} --registry ${WORK}/registry.txt
            --record ${WORK}/first.txt)
file(READ ${WORK}/first.txt first)
foreach(item "'RndS' long -2147483647" "'BkCl' long -1" "'Spec' long -16777216" "'CtnY' doub 0.10000000149011612")
  string(FIND "${first}" "${item}\n" at)
  if(at LESS 0)
    message(FATAL_ERROR "the recorded action lacks ${item}:\n${first}")
  endif()
endforeach()
string(REGEX MATCHALL "\n'" items "\n${first}")
list(LENGTH items count)
if(NOT count EQUAL 47)
  message(FATAL_ERROR "the recorded action holds ${count} values, not 47")
endif()

# 2. A new host process: the parameters selector resets to the defaults,
#    start restores the registry, finish records the same 47 values.
run_harness(0 ${MODULE} ${SAMPLE} ${WORK}/restored.png --registry ${WORK}/registry.txt --record ${WORK}/second.txt)
expect_files(SAME ${WORK}/first.txt ${WORK}/second.txt "the registry did not restore every value")

# 3. The recorded action replays the same image, silently and with the dialog option,
#    in further processes without the registry.
foreach(play 0 1 2)
  run_harness(0 ${MODULE} ${SAMPLE} ${WORK}/play${play}.png --replay ${WORK}/first.txt --play-info ${play}
              --record ${WORK}/play${play}.txt)
  expect_files(SAME ${WORK}/replayed.png ${WORK}/play${play}.png "the replay with playInfo ${play} gave another image")
  expect_files(SAME ${WORK}/first.txt ${WORK}/play${play}.txt "the replay with playInfo ${play} recorded other values")
endforeach()

# 4. A host with none of the scripting services still runs the filter.
run_harness(0 ${MODULE} ${SAMPLE} ${WORK}/bare.png --runs 2 --no-descriptor-parameters
            --no-suite 61e608b0-40fd-11d1-8da3-00c04fd5f7ee --no-suite df135115-c769-11d0-8079-00c04fd7ec47
            --no-suite df135117-c769-11d0-8079-00c04fd7ec47 --no-suite 3eb7c480-8797-11d1-8da7-00c04fd5f7ee)
