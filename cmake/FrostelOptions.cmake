# Compiler settings shared by every target of every preset.
option(FROSTEL_BUILD_TESTS "Build the unit and integration tests" ON)
option(FROSTEL_SANITIZE "Build with AddressSanitizer and UBSan (native only)" OFF)

# Results must not depend on the processor: no fused multiply-add, SSE
# arithmetic on the 32-bit target instead of x87.
add_compile_options(-ffp-contract=off -Wall -Wextra)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_options(-msse2 -mfpmath=sse -mstackrealign)
endif()

if(FROSTEL_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Modules and test programs import system DLLs only.
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(FROSTEL_MODULE_NAME $<IF:$<EQUAL:${CMAKE_SIZEOF_VOID_P},8>,Frostel64,Frostel>)
endif()

# GoogleTest from the distribution's sources, so that the cross builds get it too.
set(FROSTEL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")

# Fuzzing build (clang only, see scripts/fuzz): every library gets libFuzzer's
# coverage instrumentation; the targets under tests/fuzz link the driver.
option(FROSTEL_FUZZ "Build the libFuzzer targets" OFF)
if(FROSTEL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
