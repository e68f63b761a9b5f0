# Runs PROGRAM under valgrind's memcheck with standard input from INPUT and fails on any memory
# error or leaked block; with BASELINE, the run must allocate as many blocks as BASELINE does.
function(run_memcheck input log out_allocations)
  execute_process(COMMAND ${VALGRIND} --leak-check=full --show-leak-kinds=all
      --errors-for-leak-kinds=all --error-exitcode=99 --log-file=${log} ${PROGRAM}
    INPUT_FILE ${input} OUTPUT_VARIABLE output RESULT_VARIABLE status)
  file(READ ${log} report)
  if(NOT status STREQUAL "0")
    message(FATAL_ERROR "${PROGRAM} < ${input}: exit status ${status} under valgrind\n${report}")
  endif()
  if(NOT report MATCHES "All heap blocks were freed" OR NOT report MATCHES "ERROR SUMMARY: 0 errors")
    message(FATAL_ERROR "${PROGRAM} < ${input}: blocks left or errors\n${report}")
  endif()
  if(NOT report MATCHES "total heap usage: ([0-9,]+) allocs")
    message(FATAL_ERROR "no heap summary in\n${report}")
  endif()
  set(${out_allocations} ${CMAKE_MATCH_1} PARENT_SCOPE)
  message(STATUS "${input}: ${CMAKE_MATCH_1} allocations, all freed; output:\n${output}")
endfunction()

run_memcheck(${INPUT} ${INPUT}.memcheck allocations)
if(BASELINE)
  run_memcheck(${BASELINE} ${BASELINE}.memcheck baseline_allocations)
  if(NOT allocations STREQUAL baseline_allocations)
    message(FATAL_ERROR "${allocations} allocations for ${INPUT}, "
      "${baseline_allocations} for ${BASELINE}: the difference is the search's")
  endif()
endif()
