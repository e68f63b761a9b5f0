# Runs PROGRAM (through EMULATOR, if any) with standard input from INPUT and compares its
# standard output byte for byte with EXPECTED, where @MSEC@ matches the elapsed milliseconds
# and every line feed stands for CR LF when LINE_END is CRLF.
string(REPLACE "|" ";" emulator "${EMULATOR}")
string(REPLACE "|" ";" args "${ARGS}")
# Through files, since execute_process would drop the carriage returns from a variable.
set(captured ${INPUT}.stdout)
execute_process(COMMAND ${emulator} ${PROGRAM} ${args}
  INPUT_FILE ${INPUT} OUTPUT_FILE ${captured} ERROR_FILE ${captured}.stderr
  RESULT_VARIABLE status)
file(READ ${captured}.stderr errors)

# Bytes are compared as hex pairs ("49 6e "), since reading text would drop carriage returns.
function(read_bytes file out)
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "(..)" "\\1 " hex "${hex}")
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()
read_bytes(${captured} output)
read_bytes(${EXPECTED} expected)
if(LINE_END STREQUAL "CRLF")
  string(REPLACE "0a " "0d 0a " expected "${expected}")
endif()
set(marker "40 4d 53 45 43 40 ")  # @MSEC@

set(failures "")
if(NOT status STREQUAL "0")
  string(APPEND failures "exit status ${status}, expected 0\n")
endif()
if(NOT errors STREQUAL "")
  string(APPEND failures "standard error not empty: [${errors}]\n")
endif()

# Everything but the elapsed time must match exactly; the time is a whole number. Hex pairs
# hold no regular-expression characters, so the expected bytes serve as the pattern.
string(REPLACE "${marker}" "(30 |3[1-9] (3[0-9] )*)" pattern "${expected}")
set(matches FALSE)
if(output MATCHES "^${pattern}$")
  set(matches TRUE)
endif()
if(NOT matches)
  file(READ ${EXPECTED} text)
  string(APPEND failures "standard output differs\n--- expected (${LINE_END}) ---\n${text}"
    "--- got, as hex ---\n${output}\n---\n")
endif()

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} < ${INPUT}:\n${failures}")
endif()
