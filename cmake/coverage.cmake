# The library's line and branch coverage over the tests, per file: the target coverage-report,
# run after the tests by the coverage workflow (CMakePresets.json), whose test step has every
# program write its counts into <build>/profiles.
#
# The report is for reading, not a gate: it fails only when there are no counts to read.
find_program(TUNELEDGER_LLVM_PROFDATA NAMES llvm-profdata-14 llvm-profdata REQUIRED)
find_program(TUNELEDGER_LLVM_COV NAMES llvm-cov-14 llvm-cov REQUIRED)

# Every program the tests run that holds the library's code, and the shared library the hosts load.
set(covered_objects)
foreach(target IN ITEMS tuneledger tuneledger_tests tuneledger_memory_test tuneledger_cli
                        tuneledger_fuzz_lookup_replay tuneledger_fuzz_text_search_replay
                        tuneledger_fuzz_term_filter_replay)
  if(TARGET ${target})
    list(APPEND covered_objects $<TARGET_FILE:${target}>)
  endif()
endforeach()
string(REPLACE ";" "$<SEMICOLON>" covered_objects "${covered_objects}")

add_custom_target(coverage-report
  COMMAND ${CMAKE_COMMAND}
          -DPROFDATA=${TUNELEDGER_LLVM_PROFDATA} -DCOV=${TUNELEDGER_LLVM_COV}
          -DPROFILES=${PROJECT_BINARY_DIR}/profiles -DOBJECTS=${covered_objects}
          -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -P ${PROJECT_SOURCE_DIR}/cmake/coverage_report.cmake
  VERBATIM
  COMMENT "The library's coverage over the tests")
