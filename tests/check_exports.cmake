# The library gives out the three calls and nothing else, and carries no C++ runtime.
#
#   cmake -DLIBRARY=<libtuneledger.so or TUNELEDGER.dll> -DNM=<nm> -DOBJDUMP=<objdump>
#         [-DPOINTER_BYTES=4|8] [-DRUNTIME_FREE=ON] -P check_exports.cmake
#   cmake -DLIBRARY=<TUNELEDGER.dll> -DNM=<llvm-nm> -DREADOBJ=<llvm-readobj> -DSYSTEM_DLLS=coredll.dll
#         [-DMACHINE=0x1C2] [-DSUBSYSTEM=0x9] [-DSYSTEM_VERSION=7.0] [...] -P check_exports.cmake
#
# A shared object: its dynamic symbol table defines exactly the three names, as functions.
# A DLL: its export table holds exactly the three names at ordinals 1 to 3, undecorated, and it
# imports only the system DLLs listed below (or in SYSTEM_DLLS), so it loads on a Windows that
# has no compiler runtime; with POINTER_BYTES it must be PE32 (4) or PE32+ (8).
# With READOBJ, the DLL is read with llvm-readobj instead of objdump (the Windows CE DLL, which
# binutils can't read), and its file header must also say MACHINE, its optional header
# SUBSYSTEM, and its OS and subsystem versions SYSTEM_VERSION, where given.
# RUNTIME_FREE: the library holds and needs none of the C++ runtime (no libstdc++, no exception
# handling or pool, no operator new), no emulated thread-locals and no guarded statics.
cmake_minimum_required(VERSION 3.25)

set(expected_names FoodPicker FoodPickerText FoodPickerFilter)
set(system_dlls kernel32.dll msvcrt.dll)
if(SYSTEM_DLLS)
  set(system_dlls ${SYSTEM_DLLS})
endif()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}):\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

function(expect_same what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(FATAL_ERROR "${LIBRARY}: ${what}\n  found:    ${actual}\n  expected: ${expected}")
  endif()
endfunction()

# Every line of `text` between the line that matches `heading` and the next empty line.
function(section text heading result)
  string(REGEX MATCH "${heading}[^\n]*\n([^\n]+\n)*" block "${text}")
  if(NOT block)
    message(FATAL_ERROR "${LIBRARY}: no \"${heading}\" in:\n${text}")
  endif()
  string(REGEX REPLACE "\n$" "" block "${block}")
  string(REPLACE "\n" ";" lines "${block}")
  list(POP_FRONT lines)
  set(${result} "${lines}" PARENT_SCOPE)
endfunction()

function(check_shared_object)
  run(${NM} -D --defined-only "${LIBRARY}")
  string(REGEX MATCHALL "[^\n]+" lines "${out}")
  set(names "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]* *([A-Za-z]) (.+)$")
      list(APPEND names "${CMAKE_MATCH_2} (${CMAKE_MATCH_1})")
    endif()
  endforeach()
  list(SORT names)
  set(expected "")
  foreach(name IN LISTS expected_names)
    list(APPEND expected "${name} (T)")
  endforeach()
  list(SORT expected)
  expect_same("defined dynamic symbols (type)" "${names}" "${expected}")
endfunction()

function(check_dll)
  run(${OBJDUMP} -p "${LIBRARY}")

  section("${out}" "Export Address Table -- Ordinal Base" addresses)
  list(LENGTH addresses address_count)
  list(LENGTH expected_names expected_count)
  expect_same("entries in the export address table" ${address_count} ${expected_count})

  string(REGEX MATCH "Ordinal Base ([0-9]+)" _ "${out}")
  set(base ${CMAKE_MATCH_1})
  section("${out}" "\\[Ordinal/Name Pointer\\] Table" named)
  set(exports "")
  foreach(line IN LISTS named)
    # The index shown is the ordinal less the base.
    if(line MATCHES "\\[ *([0-9]+)\\] ([^ ]+)$")
      math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
      list(APPEND exports "${CMAKE_MATCH_2} @${ordinal}")
    endif()
  endforeach()
  list(SORT exports)
  set(expected "")
  set(ordinal 1)
  foreach(name IN LISTS expected_names)
    list(APPEND expected "${name} @${ordinal}")
    math(EXPR ordinal "${ordinal} + 1")
  endforeach()
  list(SORT expected)
  expect_same("exports by name and ordinal" "${exports}" "${expected}")

  if(POINTER_BYTES)
    string(REGEX MATCH "\nMagic[ \t]+([0-9a-fA-F]+)" _ "${out}")
    set(magic_4 010b)  # PE32
    set(magic_8 020b)  # PE32+
    expect_same("optional header magic (010b: PE32, 020b: PE32+)" "${CMAKE_MATCH_1}" "${magic_${POINTER_BYTES}}")
  endif()

  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${out}")
  list(TRANSFORM imports REPLACE "DLL Name: " "")
  foreach(dll IN LISTS imports)
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST system_dlls)
      message(FATAL_ERROR "${LIBRARY} imports ${dll}, which is not a system DLL (${system_dlls})")
    endif()
  endforeach()
  list(JOIN imports ", " imports)
  message(STATUS "imports ${imports}")
endfunction()

# The same for llvm-readobj's listing of the headers, exports and imports.
function(check_dll_with_readobj)
  run(${READOBJ} --file-headers --coff-imports --coff-exports "${LIBRARY}")

  string(REGEX MATCHALL "Export {\n[ ]*Ordinal: [0-9]+\n[ ]*Name: [^\n]*\n" blocks "${out}")
  set(exports "")
  foreach(block IN LISTS blocks)
    string(REGEX MATCH "Ordinal: ([0-9]+)\n[ ]*Name: ([^\n]*)" _ "${block}")
    list(APPEND exports "${CMAKE_MATCH_2} @${CMAKE_MATCH_1}")
  endforeach()
  list(SORT exports)
  set(expected "")
  set(ordinal 1)
  foreach(name IN LISTS expected_names)
    list(APPEND expected "${name} @${ordinal}")
    math(EXPR ordinal "${ordinal} + 1")
  endforeach()
  list(SORT expected)
  expect_same("exports by name and ordinal (every slot of the export table)" "${exports}" "${expected}")

  set(pe_magic_4 0x10B)
  set(pe_magic_8 0x20B)
  foreach(field_value IN ITEMS "Magic=${pe_magic_${POINTER_BYTES}}" "Machine=${MACHINE}" "Subsystem=${SUBSYSTEM}")
    string(REGEX MATCH "^([A-Za-z]+)=(.*)$" _ "${field_value}")
    set(field ${CMAKE_MATCH_1})
    set(value ${CMAKE_MATCH_2})
    if(value STREQUAL "")
      continue()
    endif()
    string(REGEX MATCH "\n[ ]*${field}: [^\n]*" line "${out}")
    string(STRIP "${line}" line)
    string(REGEX MATCH "0x[0-9A-Fa-f]+[)]?$" found "${line}")
    string(REPLACE ")" "" found "${found}")
    expect_same("${field} (${line})" "${found}" "${value}")
  endforeach()
  if(SYSTEM_VERSION)
    string(REPLACE "." ";" version "${SYSTEM_VERSION}")
    list(GET version 0 major)
    list(GET version 1 minor)
    foreach(kind OperatingSystem Subsystem)
      string(REGEX MATCH "Major${kind}Version: ([0-9]+)\n[ ]*Minor${kind}Version: ([0-9]+)" _ "${out}")
      expect_same("${kind} version" "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}" "${major}.${minor}")
    endforeach()
  endif()

  string(REGEX MATCHALL "Import {\n[ ]*Name: [^\n]+" imports "${out}")
  list(TRANSFORM imports REPLACE "Import {\n[ ]*Name: " "")
  if(NOT imports)
    message(FATAL_ERROR "${LIBRARY}: no imports listed in:\n${out}")
  endif()
  foreach(dll IN LISTS imports)
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST system_dlls)
      message(FATAL_ERROR "${LIBRARY} imports ${dll}, which is not a system DLL (${system_dlls})")
    endif()
  endforeach()
  string(REGEX MATCHALL "Symbol: [^\n]+" symbols "${out}")
  list(TRANSFORM symbols REPLACE "Symbol: ([^ ]*) .*" "\\1")
  list(JOIN imports ", " imports)
  list(JOIN symbols " " symbols)
  message(STATUS "imports from ${imports}: ${symbols}")
endfunction()

# Symbols of the C++ runtime and of the toolchain's stand-ins for thread-locals and statics.
set(runtime_symbols
  # exceptions, guards, destructors of statics and thread-locals (not glibc's __cxa_finalize)
  "__cxa_(allocate|throw|rethrow|begin|end|get_globals|guard|atexit|thread_atexit|pure_virtual)"
  "__gxx_personality"   # exception handling
  "_Unwind_"
  "emergency_pool"      # libstdc++'s exception pool, allocated at every load
  "_Znw" "_Zna" "_Zdl" "_Zda"   # operator new and delete
  "_ZSt9terminate"
  "__emutls_"           # emulated thread_local, which takes a TLS slot at every load
  "_ZGV")               # the guard of a function-local static with a dynamic initialiser

# Every symbol of the library, not only the exported ones, must be free of the runtime.
function(check_runtime_free)
  run(${NM} "${LIBRARY}")
  set(all "${out}")
  if(NOT all MATCHES "FoodPicker")
    message(FATAL_ERROR "${LIBRARY} has no symbol table to check (stripped?)")
  endif()
  foreach(pattern IN LISTS runtime_symbols)
    string(REGEX MATCHALL "[^\n]*${pattern}[^\n]*" found "${all}")
    if(found)
      list(JOIN found "\n  " found)
      message(FATAL_ERROR "${LIBRARY} holds the C++ runtime or a stand-in (${pattern}):\n  ${found}")
    endif()
  endforeach()
  if(NOT LIBRARY MATCHES "\\.[dD][lL][lL]$")
    run(${OBJDUMP} -p "${LIBRARY}")
    string(REGEX MATCHALL "NEEDED[ \t]+[^\n]+" needed "${out}")
    list(TRANSFORM needed REPLACE "NEEDED[ \t]+" "")
    foreach(library IN LISTS needed)
      if(library MATCHES "^lib(stdc\\+\\+|c\\+\\+|gcc_s)")
        message(FATAL_ERROR "${LIBRARY} needs ${library}")
      endif()
    endforeach()
    list(JOIN needed ", " needed)
    message(STATUS "needs ${needed}")
  endif()
  message(STATUS "no C++ runtime, emulated thread-locals or guarded statics")
endfunction()

if(LIBRARY MATCHES "\\.[dD][lL][lL]$" AND READOBJ)
  check_dll_with_readobj()
elseif(LIBRARY MATCHES "\\.[dD][lL][lL]$")
  check_dll()
else()
  check_shared_object()
endif()
if(RUNTIME_FREE)
  check_runtime_free()
endif()
list(JOIN expected_names ", " names)
message(STATUS "${LIBRARY} exports exactly ${names}")
