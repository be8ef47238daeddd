# Regenerates the chart table from its fixed seed and fails on any difference from the
# committed data/chart.txt.
#   cmake -DPYTHON=python3 -DSOURCE_DIR=<tree> -DSCRATCH=<file> -P tests/check_generator.cmake
execute_process(
  COMMAND ${PYTHON} ${SOURCE_DIR}/tools/make_chart.py ${SCRATCH}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tools/make_chart.py failed: ${status}")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH} ${SOURCE_DIR}/data/chart.txt
  RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "data/chart.txt differs from what tools/make_chart.py writes now")
endif()
message(STATUS "tools/make_chart.py reproduces data/chart.txt byte for byte")
