# Fuzz targets whose seeds ctest replays from here: name (also the corpus
# folder), source and libraries. The includer defines frostel_fuzz(name
# source libs...): a libFuzzer target in the fuzz build, a replay natively.
if(NOT TARGET frostel_scene_image)
  add_library(frostel_scene_image INTERFACE)
  target_include_directories(frostel_scene_image INTERFACE ${PROJECT_SOURCE_DIR}/tests/support/scene)
endif()

frostel_fuzz(fuzz_http_reply HttpReplyFuzz.cpp frostel_about_core)
frostel_fuzz(fuzz_update_text UpdateTextFuzz.cpp frostel_about_core)
frostel_fuzz(fuzz_descriptors DescriptorFuzz.cpp frostel_host)
frostel_fuzz(fuzz_parameter_record ParameterRecordFuzz.cpp frostel_scene frostel_host frostel_hostutil frostel_scene_image)
frostel_fuzz(fuzz_placement PlacementFuzz.cpp frostel_dialog)
frostel_fuzz(fuzz_path_records PathRecordsFuzz.cpp frostel_scene frostel_host frostel_hostutil frostel_scene_image)
frostel_fuzz(fuzz_renderer_geometry RendererGeometryFuzz.cpp frostel_renderer frostel_pagememory)
