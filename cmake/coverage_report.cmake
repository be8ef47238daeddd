# Merges the counts the tests wrote and prints the library's coverage per file.
#   cmake -DPROFDATA=<llvm-profdata> -DCOV=<llvm-cov> -DPROFILES=<folder> "-DOBJECTS=<a;b>"
#         -DSOURCE_DIR=<top of the tree> -P cmake/coverage_report.cmake
file(GLOB raw "${PROFILES}/*.profraw")
if(NOT raw)
  message(FATAL_ERROR "No counts in ${PROFILES}: run the tests first (cmake --workflow --preset coverage)")
endif()
set(merged ${PROFILES}/merged.profdata)
execute_process(COMMAND ${PROFDATA} merge -sparse ${raw} -o ${merged} COMMAND_ERROR_IS_FATAL ANY)

set(object_args)
foreach(object IN LISTS OBJECTS)
  if(EXISTS ${object})
    list(APPEND object_args -object ${object})
  endif()
endforeach()
list(POP_FRONT object_args)  # llvm-cov names the first object without -object

# The library's rooms only (interface/, search/, data/), without generated data, the public
# header's inline parts or anything of the harness.
set(ignore "^(/usr/|${SOURCE_DIR}/(tests|fuzz|bench|cli|web|include)/|.*/build/)")
execute_process(
  COMMAND ${COV} report ${object_args} -instr-profile=${merged} -ignore-filename-regex=${ignore}
          -show-region-summary=false -show-instantiation-summary=false -show-branch-summary
  COMMAND_ERROR_IS_FATAL ANY)
list(JOIN object_args " " objects)
message(STATUS "Line by line: ${COV} show ${objects} -instr-profile=${merged} -show-branches=count <file>")
