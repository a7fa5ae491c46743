# A work path of a visible triangle and then 20,000 knots far off the image,
# through the test host on a 64 x 48 rectangle, under an address limit of
# 3 GB (growing along every rib of those knots took some 6 GB): the exit is
# 0, the image is the triangle's alone, and the filter takes little time.
# The knots alone draw nothing.
include(${CMAKE_CURRENT_LIST_DIR}/../support/HarnessScript.cmake)
harness_script_needs(EMULATOR HARNESS MODULE SAMPLE WORK)
file(MAKE_DIRECTORY ${WORK})

set(triangle "closed\nknot 10 10\nknot 50 14\nknot 30 40\n")
set(knots "open\n")
foreach(k RANGE 0 19999)
  math(EXPR odd "${k} % 2")
  math(EXPR y "5000 + ${k}")
  if(odd)
    string(APPEND knots "knot 8000 ${y}\n")
  else()
    string(APPEND knots "knot -8000 ${y}\n")
  endif()
endforeach()
file(WRITE ${WORK}/triangle.txt "${triangle}")
file(WRITE ${WORK}/long.txt "${triangle}${knots}")
file(WRITE ${WORK}/knots.txt "${knots}")

# Runs the filter under the address limit; the filter's milliseconds go to
# ${out}_ms.
function(run_limited out)
  file(REMOVE ${WORK}/${out}.png)
  execute_process(
    COMMAND sh -c "ulimit -v 3000000 && exec \"$@\"" sh ${EMULATOR} ${HARNESS} ${MODULE} ${SAMPLE}
            ${WORK}/${out}.png --filter-rect 0,0,48,64 --set EmTp=0 --timing ${ARGN}
    RESULT_VARIABLE rc OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "harness ${ARGN}: exit ${rc}\n${stdout}${stderr}")
  endif()
  if(NOT "${stdout}${stderr}" MATCHES "filter ([0-9]+) ms")
    message(FATAL_ERROR "harness ${ARGN}: no timing\n${stdout}${stderr}")
  endif()
  set(${out}_ms ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

run_limited(plain --set Comp=0 --set CmDs=0)
run_limited(triangle --path ${WORK}/triangle.txt)
run_limited(long --path ${WORK}/long.txt)
run_limited(knots --path ${WORK}/knots.txt)

expect_files(DIFFERENT ${WORK}/plain.png ${WORK}/triangle.png "the triangle grew no crystals")
expect_files(SAME ${WORK}/triangle.png ${WORK}/long.png "the knots changed the triangle's crystals")
expect_files(SAME ${WORK}/plain.png ${WORK}/knots.png "the knots alone drew")
foreach(run long knots)
  if(${run}_ms GREATER 10000)
    message(FATAL_ERROR "${run}: the filter took ${${run}_ms} ms")
  endif()
endforeach()
message(STATUS "filter: triangle ${triangle_ms} ms, with the knots ${long_ms} ms, the knots alone ${knots_ms} ms")
