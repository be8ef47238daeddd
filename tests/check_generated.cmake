# Runs a generator and fails if what it writes now differs from the committed file.
#   cmake -DGENERATOR=<program> -DCOMMITTED=<file> -DSCRATCH=<file> -P tests/check_generated.cmake
execute_process(COMMAND ${GENERATOR} OUTPUT_FILE ${SCRATCH} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} failed: ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH} ${COMMITTED} RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${COMMITTED} is out of date: regenerate it (see its first lines)")
endif()
message(STATUS "${COMMITTED} is current")
