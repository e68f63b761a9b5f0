# With standard output on a full device the program must fail: exit status 1 and one line
# on standard error. The program runs through EMULATOR, if any ("|" between its words).
string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(COMMAND ${emulator} ${PROGRAM} INPUT_FILE /dev/null OUTPUT_FILE /dev/full
  ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status STREQUAL "1")
  message(FATAL_ERROR "exit status ${status} with standard output on /dev/full, expected 1")
endif()
if(NOT errors MATCHES "^[^\n]+\n$")
  message(FATAL_ERROR "expected one line on standard error, got [${errors}]")
endif()
