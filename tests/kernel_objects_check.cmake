# Inspects object files of the vector wheel kernels, each compiled for its own instruction set:
#   cmake -DCHECK=merge|x87 -DOBJECTS=<objects> -DNM=<nm> -DOBJDUMP=<objdump> -P <this file>
# merge: no weak, unique or COMDAT (link-once) definition, which the linker could merge with a
#   copy from a source compiled for another instruction set (or none) and then run everywhere.
# x87 (32-bit x86): no x87 instruction (an f-prefixed mnemonic) and no call to sqrt: the
#   kernels keep their floating point in the vector unit.
# Each finding is printed with its object; any finding fails the check.

set(findings "")

function(run_tool output)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}): ${errors}")
  endif()
  set(${output} "${text}" PARENT_SCOPE)
endfunction()

# Symbols defined weak (W, V) or unique (u), as nm shows them for ELF objects.
function(find_weak_symbols object)
  run_tool(symbols ${NM} ${object})
  string(REGEX MATCHALL "[^\n]* [WVu] [^\n]*" weak "${symbols}")
  foreach(line IN LISTS weak)
    list(APPEND findings "${object}: weak or unique symbol: ${line}")
  endforeach()
  set(findings "${findings}" PARENT_SCOPE)
endfunction()

# Sections the linker keeps one copy of among all objects: ELF COMDAT groups, PE COMDAT
# sections (.text$<symbol> and the like), both marked LINK_ONCE by objdump.
function(find_link_once_sections object)
  run_tool(sections ${OBJDUMP} -h -w ${object})
  string(REGEX MATCHALL "[^\n]*LINK_ONCE[^\n]*" linkOnce "${sections}")
  foreach(line IN LISTS linkOnce)
    string(REGEX REPLACE "^ *[0-9]+ +([^ ]+) .*$" "\\1" section "${line}")
    list(APPEND findings "${object}: COMDAT (link-once) section: ${section}")
  endforeach()
  set(findings "${findings}" PARENT_SCOPE)
endfunction()

function(find_x87_code object)
  run_tool(code ${OBJDUMP} -d ${object})
  # objdump -d: "  address:<tab>bytes<tab>mnemonic operands"
  string(REGEX MATCHALL "\n *[0-9a-f]+:\t[0-9a-f ]+\tf[a-z0-9]*[^\n]*" x87 "${code}")
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
    find_weak_symbols(${object})
    find_link_once_sections(${object})
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
