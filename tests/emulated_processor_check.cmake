# Runs the program on an emulated processor and checks the wheel path it picks there and its
# answers at the benchmark indices against the program's own, run natively or, for a program of
# another processor, under REFERENCE_EMULATOR with its default processor:
#   cmake -DEMULATOR=<qemu-user> -DCPU=<model> [-DREFERENCE_EMULATOR=<qemu-user>]
#         [-DFIRST_INDICES=<count>] -DEXPECTED_PATH=<path> -DPROBE=<wheel_path_probe>
#         -DPROGRAM=<nthprime> -DWORK_DIR=<dir> -P <this file>
# FIRST_INDICES: only the first that many benchmark indices, the shorter walks.

function(run output)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status})")
  endif()
  set(${output} "${text}" PARENT_SCOPE)
endfunction()

set(emulated ${EMULATOR} -cpu ${CPU})
run(probe ${emulated} ${PROBE})
string(REGEX REPLACE "\n$" "" probe "${probe}")
string(REPLACE "\n" ";" probe "${probe}")
list(POP_FRONT probe path)
if(NOT path STREQUAL EXPECTED_PATH)
  message(FATAL_ERROR "on ${CPU} the search picks the ${path} path, not ${EXPECTED_PATH}")
endif()
message(STATUS "on ${CPU} the search picks the ${path} path")

# The answers without the milliseconds, which differ.
if(FIRST_INDICES)
  list(SUBLIST probe 0 ${FIRST_INDICES} probe)
endif()
file(MAKE_DIRECTORY ${WORK_DIR})
foreach(n IN LISTS probe)
  file(WRITE ${WORK_DIR}/${n}.in "${n}\n")
  string(TIMESTAMP started "%s")
  execute_process(COMMAND ${emulated} ${PROGRAM} INPUT_FILE ${WORK_DIR}/${n}.in
    OUTPUT_VARIABLE emulatedAnswer RESULT_VARIABLE status ERROR_QUIET)
  string(TIMESTAMP ended "%s")
  execute_process(COMMAND ${REFERENCE_EMULATOR} ${PROGRAM} INPUT_FILE ${WORK_DIR}/${n}.in
    OUTPUT_VARIABLE referenceAnswer ERROR_QUIET)
  foreach(answer emulatedAnswer referenceAnswer)
    string(REGEX REPLACE "Time : [^ ]+ msec" "Time : ... msec" ${answer} "${${answer}}")
  endforeach()
  if(NOT status EQUAL 0 OR NOT emulatedAnswer STREQUAL referenceAnswer)
    message(FATAL_ERROR "index ${n} on ${CPU} (status ${status}):\n${emulatedAnswer}\n"
      "on the reference:\n${referenceAnswer}")
  endif()
  math(EXPR seconds "${ended} - ${started}")
  string(REGEX MATCH "prime\\([0-9]+\\) = [0-9]+" line "${emulatedAnswer}")
  message(STATUS "${line} on ${CPU}, as on the reference (${seconds} s)")
endforeach()
