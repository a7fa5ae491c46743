# The built module through the test host's command line: with factory values
# the effect is drawn, also in a host with only the filter record's basics,
# alike on any number of render threads; --set and --preset change parameters; with nothing to grow RGB and CMYK
# documents come back byte for byte, also without handle callbacks; a wrong
# mode alerts and passes through; CMYK without the colour space suite fails
# and writes nothing.
foreach(var EMULATOR HARNESS MODULE SAMPLE WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} not set")
  endif()
endforeach()
file(MAKE_DIRECTORY ${WORK})

function(run_harness expect out)
  file(REMOVE ${WORK}/${out}.png ${WORK}/${out}.json)
  execute_process(COMMAND ${EMULATOR} ${HARNESS} ${MODULE} ${SAMPLE} ${WORK}/${out}.png --log ${WORK}/${out}.json ${ARGN}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  if(NOT rc EQUAL expect)
    message(FATAL_ERROR "harness ${ARGN}: exit ${rc}, expected ${expect}\n${stdout}${stderr}")
  endif()
endfunction()

# The sample as the test host writes it (no run): the reference for the
# byte-for-byte comparisons, whatever encoder wrote the sample file.
function(expect_sample out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/sample.png ${WORK}/${out}.png RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${out}: the image did not come back unchanged")
  endif()
endfunction()

function(expect_effect out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/sample.png ${WORK}/${out}.png RESULT_VARIABLE differ)
  if(differ EQUAL 0)
    message(FATAL_ERROR "${out}: no effect was drawn")
  endif()
endfunction()

function(expect_same a b)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${a}.png ${WORK}/${b}.png RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${a} and ${b} differ")
  endif()
endfunction()

run_harness(0 sample --runs 0)
run_harness(0 effect)
expect_effect(effect)
run_harness(0 basics --no-basic-suite --no-big-document --no-color-services --no-progress --no-property-procs
            --no-descriptor-parameters)
expect_same(effect basics)
run_harness(0 seed7 --set RndS=7 --set EfKn=1 --set RndM=4)
expect_effect(seed7)
# The module renders on as many threads as the test host asks: one image.
run_harness(0 oneThread --threads 1)
expect_same(effect oneThread)

file(WRITE ${WORK}/arc.txt "open\nknot 60 300 60 300 200 40\nknot 580 300 440 40 580 300\n")
run_harness(0 path --path ${WORK}/arc.txt --set EmTp=0)
expect_effect(path)
# A preset file sets the same values as --set; --set after it wins.
file(WRITE ${WORK}/seed7.frlpst "Frostel Preset;\nVersion 1;\nSdnR 7\t\t\t\t;RandomSeed\nnKfE 1 \nMdnR 4 \n")
run_harness(0 preset7 --preset ${WORK}/seed7.frlpst)
expect_same(seed7 preset7)
file(WRITE ${WORK}/seed3.frlpst "Frostel Preset;\r\nSdnR 3\r\nnKfE 1 \r\nMdnR 4 ")
run_harness(0 preset3 --preset ${WORK}/seed3.frlpst --set RndS=7)
expect_same(seed7 preset3)
file(WRITE ${WORK}/noheader.frlpst "SdnR 7\n")
run_harness(3 noheader --preset ${WORK}/noheader.frlpst)
run_harness(3 nopreset --preset ${WORK}/missing.frlpst)
run_harness(2 badkey --set Nope=1)
run_harness(2 badvalue --set Wdth=nan)

set(nothing --set Comp=0 --set CmDs=0)
run_harness(0 rgb --row-padding 5 --runs 2 ${nothing})
expect_sample(rgb)
run_harness(0 cmyk --mode cmyk --no-handle-procs --runs 2 ${nothing})
expect_sample(cmyk)

run_harness(0 lab --mode lab)
expect_sample(lab)
file(READ ${WORK}/lab.json log)
if(NOT log MATCHES "\"call\":\"messageBox\",\"caption\":\"Plugin Alert\",\"text\":\"Wrong Image mode!")
  message(FATAL_ERROR "the wrong-mode alert is not in the log")
endif()

run_harness(1 nosuite --mode cmyk --no-suite "Photoshop ColorSpace Suite for Plug-ins")
if(EXISTS ${WORK}/nosuite.png)
  message(FATAL_ERROR "a failed run wrote its output")
endif()
file(READ ${WORK}/nosuite.json log)
if(NOT log MATCHES "\"selector\":3,\"name\":\"start\",\"result\":-30900")
  message(FATAL_ERROR "start did not fail with -30900")
endif()
