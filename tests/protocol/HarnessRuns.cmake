# The built module through the test host's command line: with factory values
# the effect is drawn, also in a host with only the filter record's basics,
# alike on any number of render threads; --set and --preset change
# parameters, also past the dialog's ranges; with nothing to grow RGB and CMYK
# documents come back byte for byte, also without handle callbacks; a wrong
# mode alerts and passes through; CMYK without the colour space suite fails
# and writes nothing, and so does a run the host's user stops.
include(${CMAKE_CURRENT_LIST_DIR}/../support/HarnessScript.cmake)
harness_script_needs(EMULATOR HARNESS MODULE SAMPLE WORK)
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
  expect_files(SAME ${WORK}/sample.png ${WORK}/${out}.png "${out}: the image did not come back unchanged")
endfunction()

function(expect_effect out)
  expect_files(DIFFERENT ${WORK}/sample.png ${WORK}/${out}.png "${out}: no effect was drawn")
endfunction()

function(expect_same a b)
  expect_files(SAME ${WORK}/${a}.png ${WORK}/${b}.png "${a} and ${b}")
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

# Values the dialog cannot type keep their meaning: render modes 0, 8 and 200
# draw as Phong (5, the factory mode), MinInterval 0 grows nothing.
foreach(mode 0 8 200)
  run_harness(0 mode${mode} --set RndM=${mode})
  expect_same(effect mode${mode})
endforeach()
run_harness(0 nointerval --set MnIn=0)
expect_sample(nointerval)
# The sample's brightness stays within one level: without a selection it
# still grows along its brightness contours.
run_harness(0 contours --set EmTp=1)
expect_effect(contours)

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

# The dialog's maxima in Phong, stopped by the host after its fifth answer:
# the start selector says the user cancelled, nothing is written, every
# suite is given back.
run_harness(1 aborted --abort-after 5 --set EfKn=1 --set MxIt=10 --set MxTr=30 --set MnIn=1 --set MxT1=40
            --set Wdth=300 --set Lngh=70 --set Scle=200 --set Dspr=200 --set Comp=100 --set CmDs=100)
if(EXISTS ${WORK}/aborted.png)
  message(FATAL_ERROR "a cancelled run wrote its output")
endif()
file(READ ${WORK}/aborted.json log)
if(NOT log MATCHES "\"selector\":3,\"name\":\"start\",\"result\":-128")
  message(FATAL_ERROR "start did not end with -128 after the abort")
endif()
string(REGEX MATCHALL "\"call\":\"abortProc\"" asks "${log}")
list(LENGTH asks count)
if(NOT count EQUAL 6)
  message(FATAL_ERROR "${count} abort checks, not 6: the run went on after the host said stop")
endif()
if(log MATCHES "\"suiteBalances\"[^}]*: *[1-9-]")
  message(FATAL_ERROR "a suite was not given back")
endif()
