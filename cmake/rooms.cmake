# The library's rooms and what each may see.
#
# Includes are written from the top of the tree ("search/matching.h"), but no target gets the
# top of the tree as an include directory. Each gets a view of its own instead: a folder in the
# build tree holding links to exactly the folders and headers it may use. A file that reaches
# into another room's inside then fails to build, with "No such file" for the header it named.
#
#   data       the chart table                          sees nothing
#   search     lookup, text search, term filter;       sees data/chart_table.h
#              the block index and the scan kernels
#   interface  the exported frame, code page, answers   sees the public header, data/chart_table.h,
#                                                        search/operations.h
#
# Hosts see the public header alone (include/); tests, the fuzz targets and the benchmark see
# what each of them names.

# tuneledger_sees(<target> [PUBLIC] <path>...): <target> may include the given folders and
# headers, written from the top of the tree; with PUBLIC, so may every target that links it.
function(tuneledger_sees target)
  set(paths ${ARGN})
  set(scope PRIVATE)
  if(paths MATCHES "^PUBLIC;")
    list(POP_FRONT paths)
    set(scope PUBLIC)
  endif()
  set(view ${PROJECT_BINARY_DIR}/views/${target})
  foreach(path IN LISTS paths)
    cmake_path(GET path PARENT_PATH parent)
    file(MAKE_DIRECTORY ${view}/${parent})
    # A copy where links can't be made (Windows without the right to make them): it is made
    # again at every configure.
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${view}/${path} SYMBOLIC COPY_ON_ERROR)
  endforeach()
  target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${view}>)
  if(TUNELEDGER_COVERAGE)
    # Counts for a header seen through the view belong to the header itself.
    target_compile_options(${target} PRIVATE -fcoverage-prefix-map=${view}=${PROJECT_SOURCE_DIR})
  endif()
endfunction()

# tuneledger_room(<target> SOURCES <file>... SEES <path>...): an object library of the library's
# own code, built alike for the shared library, the static copy and the WebAssembly module.
function(tuneledger_room target)
  cmake_parse_arguments(PARSE_ARGV 1 room "" "" "SOURCES;SEES")
  add_library(${target} OBJECT ${room_SOURCES})
  tuneledger_sees(${target} ${room_SEES})
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
  target_compile_definitions(${target} PRIVATE TUNELEDGER_BUILDING)
  target_link_libraries(${target} PRIVATE tuneledger_warnings)
  # No call's stack may grow with its input, so no frame of the library may be large or
  # unbounded. No C++ runtime either: no exceptions, no guarded statics, so the library needs no
  # exception machinery (nor libstdc++ at all) in any process that loads it.
  # tests/check_exports.cmake checks that none of it was linked.
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANG_AND_ID:CXX,GNU,Clang>:-fno-exceptions -fno-threadsafe-statics>
    $<$<COMPILE_LANG_AND_ID:CXX,GNU>:-Werror=stack-usage=16384>
    $<$<COMPILE_LANG_AND_ID:CXX,Clang>:-Wframe-larger-than=16384 -Werror=frame-larger-than>
    $<$<COMPILE_LANG_AND_ID:CXX,GNU,Clang>:-Werror=vla -Werror=alloca>)
  if(TUNELEDGER_GUARD_RESULTS)
    target_compile_definitions(${target} PUBLIC TUNELEDGER_GUARD_RESULTS)
  endif()
  if(TUNELEDGER_COVERAGE)
    target_compile_options(${target} PRIVATE -fprofile-instr-generate -fcoverage-mapping)
  endif()
  if(TUNELEDGER_BUILD_FUZZERS)
    # Coverage for libFuzzer to steer by, of the library alone: the harness and the reference
    # model would only add noise. The fuzz targets link libFuzzer itself.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endfunction()
