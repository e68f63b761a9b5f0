# Runs the program on an emulated processor and checks the wheel path it picks there and its
# answers at the benchmark indices against the native program's:
#   cmake -DEMULATOR=<qemu-x86_64> -DCPU=<model> -DEXPECTED_PATH=<path> -DPROBE=<wheel_path_probe>
#         -DPROGRAM=<nthprime> -DWORK_DIR=<dir> -P <this file>

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
file(MAKE_DIRECTORY ${WORK_DIR})
foreach(n IN LISTS probe)
  file(WRITE ${WORK_DIR}/${n}.in "${n}\n")
  string(TIMESTAMP started "%s")
  execute_process(COMMAND ${emulated} ${PROGRAM} INPUT_FILE ${WORK_DIR}/${n}.in
    OUTPUT_VARIABLE emulatedAnswer RESULT_VARIABLE status ERROR_QUIET)
  string(TIMESTAMP ended "%s")
  execute_process(COMMAND ${PROGRAM} INPUT_FILE ${WORK_DIR}/${n}.in
    OUTPUT_VARIABLE nativeAnswer ERROR_QUIET)
  foreach(answer emulatedAnswer nativeAnswer)
    string(REGEX REPLACE "Time : [^ ]+ msec" "Time : ... msec" ${answer} "${${answer}}")
  endforeach()
  if(NOT status EQUAL 0 OR NOT emulatedAnswer STREQUAL nativeAnswer)
    message(FATAL_ERROR "index ${n} on ${CPU} (status ${status}):\n${emulatedAnswer}\n"
      "natively:\n${nativeAnswer}")
  endif()
  math(EXPR seconds "${ended} - ${started}")
  string(REGEX MATCH "prime\\([0-9]+\\) = [0-9]+" line "${emulatedAnswer}")
  message(STATUS "${line} on ${CPU}, as natively (${seconds} s)")
endforeach()
