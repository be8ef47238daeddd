# Runs one of the table's generators, which writes to standard output, and keeps the result.
#
#   cmake "-DCOMMAND=<program;args>" -DOUTPUT=<committed file> -DSCRATCH=<file> -DMODE=write|check
#         -P data/regenerate.cmake
#
# write: replaces OUTPUT with what the generator wrote, only when it differs and only after the
#        generator succeeded, so a failed or interrupted run never leaves a truncated file.
# check: fails when OUTPUT differs from what the generator writes now.
execute_process(COMMAND ${COMMAND} OUTPUT_FILE ${SCRATCH} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${SCRATCH})
  message(FATAL_ERROR "${COMMAND} failed (${status}); ${OUTPUT} is left as it was")
endif()
cmake_path(GET OUTPUT FILENAME name)
if(MODE STREQUAL "write")
  file(COPY_FILE ${SCRATCH} ${OUTPUT} ONLY_IF_DIFFERENT)
  file(REMOVE ${SCRATCH})
  message(STATUS "${name} is current")
elseif(MODE STREQUAL "check")
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH} ${OUTPUT} RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${name} differs from what its generator writes now: "
                        "cmake --build <build folder> --target regenerate-data")
  endif()
  message(STATUS "${name} is what its generator writes")
else()
  message(FATAL_ERROR "MODE must be write or check")
endif()
