# The seeds of the fuzz targets in Targets.cmake replayed natively under the
# sanitizers by ctest, each from its corpus folder. (The older targets replay
# from their subsystems' test folders.)
if(WIN32)
  return()
endif()

function(frostel_fuzz name source)
  add_executable(${name}_replay ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${source} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/ReplayMain.cpp)
  target_link_libraries(${name}_replay PRIVATE ${ARGN})
  add_test(NAME ${name}_replay COMMAND ${name}_replay ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/corpus/${name})
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/Targets.cmake)
