# The seeds of these fuzz targets replayed natively under the sanitizers by
# ctest, each from its corpus folder. (The older targets replay from their
# subsystems' test folders.)
if(WIN32)
  return()
endif()

function(frostel_fuzz_replay name source)
  add_executable(${name}_replay ${CMAKE_CURRENT_LIST_DIR}/${source} ${CMAKE_CURRENT_LIST_DIR}/ReplayMain.cpp)
  target_link_libraries(${name}_replay PRIVATE ${ARGN})
  add_test(NAME ${name}_replay COMMAND ${name}_replay ${CMAKE_CURRENT_LIST_DIR}/corpus/${name})
endfunction()

frostel_fuzz_replay(fuzz_http_reply HttpReplyFuzz.cpp frostel_about_core)
frostel_fuzz_replay(fuzz_update_text UpdateTextFuzz.cpp frostel_about_core)
frostel_fuzz_replay(fuzz_descriptors DescriptorFuzz.cpp frostel_host)
frostel_fuzz_replay(fuzz_parameter_record ParameterRecordFuzz.cpp frostel_scene frostel_host frostel_hostutil)
target_include_directories(fuzz_parameter_record_replay PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/scene)
frostel_fuzz_replay(fuzz_placement PlacementFuzz.cpp frostel_dialog)
