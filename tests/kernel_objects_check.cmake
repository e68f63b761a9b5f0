# Inspects object files of the vector wheel kernels, each compiled for its own instruction set:
#   cmake -DCHECK=merge|x87 -DOBJECTS=<objects> -DOBJDUMP=<objdump> -DREADELF=<readelf>
#         -DNM=<nm> -P <this file>
# merge: no weak, unique or COMDAT (link-once) code, which the linker could merge with a copy
#   compiled from a source for another instruction set (or none) and then run everywhere. Weak
#   data, such as the pointer to the C++ personality routine that exception tables share, is
#   the same bytes on every processor and is allowed, as is the 32-bit PIC helper that loads
#   the program counter (__x86.get_pc_thunk.<register>: a mov and a ret, whatever the flags).
# x87 (x86): no x87 instruction (an f-prefixed mnemonic) and no call to sqrt: the kernels keep
#   their floating point in the vector unit.
# Each finding is printed with its object; any finding fails the check.

set(findings "")
set(sameEverywhere "^(\\.text\\.)?__x86\\.get_pc_thunk\\.[a-z]+$")

function(run_tool output)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}): ${errors}")
  endif()
  set(${output} "${text}" PARENT_SCOPE)
endfunction()

# ELF: weak or unique symbols of functions or in code sections, from objdump -t, whose lines
# read "address flags section<tab>size name" with seven flag characters: the first is u for
# a unique global, the second w for a weak symbol, the seventh F for a function.
function(find_weak_code_symbols object)
  run_tool(symbols ${OBJDUMP} -t ${object})
  string(REGEX MATCHALL "\n[0-9a-f]+ [^\n]*" lines "${symbols}")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line MATCHES "^[0-9a-f]+ (.)(.)....(.) ([^\t ]+)\t[0-9a-f]+ (.*)$")
      set(weak FALSE)
      if(CMAKE_MATCH_1 STREQUAL "u" OR CMAKE_MATCH_2 STREQUAL "w")
        set(weak TRUE)
      endif()
      set(name "${CMAKE_MATCH_5}")
      set(code FALSE)
      if(CMAKE_MATCH_3 STREQUAL "F" OR CMAKE_MATCH_4 MATCHES "^\\.text")
        set(code TRUE)
      endif()
      if(weak AND code AND NOT name MATCHES "${sameEverywhere}")
        list(APPEND findings "${object}: weak or unique code symbol: ${name}")
      endif()
    endif()
  endforeach()
  set(findings "${findings}" PARENT_SCOPE)
endfunction()

# ELF: COMDAT groups holding a code section, from readelf -g.
function(find_code_groups object)
  run_tool(groups ${READELF} -g -W ${object})
  string(REGEX MATCHALL "\\[[ 0-9]+\\] +\\.text[^\n]*" members "${groups}")
  foreach(member IN LISTS members)
    string(REGEX REPLACE "^\\[[ 0-9]+\\] +" "" member "${member}")
    if(member MATCHES "${sameEverywhere}")
      continue()
    endif()
    list(APPEND findings "${object}: code section in a COMDAT group: ${member}")
  endforeach()
  set(findings "${findings}" PARENT_SCOPE)
endfunction()

# PE (MinGW): COMDAT code sections (.text$<symbol>), which objdump marks LINK_ONCE and CODE.
function(find_link_once_code_sections object)
  run_tool(sections ${OBJDUMP} -h -w ${object})
  string(REGEX MATCHALL "[^\n]*CODE[^\n]*LINK_ONCE[^\n]*" linkOnce "${sections}")
  foreach(line IN LISTS linkOnce)
    string(REGEX REPLACE "^ *[0-9]+ +([^ ]+) .*$" "\\1" section "${line}")
    list(APPEND findings "${object}: COMDAT (link-once) code section: ${section}")
  endforeach()
  set(findings "${findings}" PARENT_SCOPE)
endfunction()

function(find_merged_code object)
  run_tool(header ${OBJDUMP} -f ${object})
  if(header MATCHES "file format elf")
    find_weak_code_symbols(${object})
    find_code_groups(${object})
  else()
    find_link_once_code_sections(${object})
  endif()
  set(findings "${findings}" PARENT_SCOPE)
endfunction()

function(find_x87_code object)
  run_tool(code ${OBJDUMP} -d ${object})
  # objdump -d: "  address:<tab>bytes <tab>mnemonic operands"; llvm-objdump puts a blank
  # after the colon.
  string(REGEX MATCHALL "\n *[0-9a-f]+:[ \t]+[0-9a-f ]+\tf[a-z0-9]*[^\n]*" x87 "${code}")
  foreach(line IN LISTS x87)
    string(STRIP "${line}" line)
    list(APPEND findings "${object}: x87 instruction: ${line}")
  endforeach()
  run_tool(symbols ${NM} -u ${object})
  string(REGEX MATCHALL "U _?sqrt[fl]?\n" calls "${symbols}")
  foreach(line IN LISTS calls)
    string(STRIP "${line}" line)
    list(APPEND findings "${object}: calls the library's square root: ${line}")
  endforeach()
  set(findings "${findings}" PARENT_SCOPE)
endfunction()

if(NOT OBJECTS)
  message(FATAL_ERROR "no objects given")
endif()
foreach(object IN LISTS OBJECTS)
  if(CHECK STREQUAL "merge")
    find_merged_code(${object})
  elseif(CHECK STREQUAL "x87")
    find_x87_code(${object})
  else()
    message(FATAL_ERROR "CHECK must be merge or x87")
  endif()
endforeach()

list(LENGTH OBJECTS objectCount)
if(findings)
  list(JOIN findings "\n" text)
  message(FATAL_ERROR "${CHECK} check failed:\n${text}")
endif()
message(STATUS "${CHECK} check: ${objectCount} objects, no findings")
