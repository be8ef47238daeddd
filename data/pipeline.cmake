# Everything made from the chart table, and the checks that it is current. Included by the top
# CMakeLists.txt.
#
#   data/chart.txt            the table, one entry a line       made by data/make_chart.py
#   data/block_index_rows.cpp the block index's rows            made by data/make_block_index.cpp
#   <build>/chart_data.cpp    the table as constant data        made by data/embed_chart.cmake
#
# The first two are committed: `cmake --build <build> --target regenerate-data` makes both again
# (through regenerate.cmake, which replaces a file only when it changed), and the tests
# ChartGeneratorReproducesTable and BlockIndexIsCurrent fail when either differs from what its
# generator writes now. The third is made at every build, with CMake alone, so cross builds need
# no program of their own.

set(chart_text ${CMAKE_CURRENT_SOURCE_DIR}/data/chart.txt)
set(block_index_rows ${CMAKE_CURRENT_SOURCE_DIR}/data/block_index_rows.cpp)

set(chart_source ${CMAKE_CURRENT_BINARY_DIR}/chart_data.cpp)
add_custom_command(
  OUTPUT ${chart_source}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${chart_text} -DOUTPUT=${chart_source}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/data/embed_chart.cmake
  DEPENDS ${chart_text} data/embed_chart.cmake
  COMMENT "Embedding the chart table")

# The generators run on the build machine, so a cross build leaves them out.
if(CMAKE_CROSSCOMPILING)
  return()
endif()

find_package(Python3 COMPONENTS Interpreter)
add_executable(tuneledger_make_block_index data/make_block_index.cpp)
target_include_directories(tuneledger_make_block_index PRIVATE data search)
target_link_libraries(tuneledger_make_block_index PRIVATE tuneledger_warnings)

# Each committed file's generator command, output and check, in the order they must be made.
set(generated_files)
if(Python3_FOUND)
  list(APPEND generated_files chart)
  set(chart_command ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/data/make_chart.py)
  set(chart_output ${chart_text})
  set(chart_test ChartGeneratorReproducesTable)
endif()
list(APPEND generated_files block_index)
set(block_index_command $<TARGET_FILE:tuneledger_make_block_index> ${chart_text})
set(block_index_output ${block_index_rows})
set(block_index_test BlockIndexIsCurrent)

set(regenerate_steps)
foreach(file IN LISTS generated_files)
  string(REPLACE ";" "$<SEMICOLON>" command "${${file}_command}")
  set(run -DCOMMAND=${command} -DOUTPUT=${${file}_output}
          -DSCRATCH=${CMAKE_CURRENT_BINARY_DIR}/${file}.generated
          -P ${CMAKE_CURRENT_SOURCE_DIR}/data/regenerate.cmake)
  list(APPEND regenerate_steps COMMAND ${CMAKE_COMMAND} -DMODE=write ${run})
  if(TUNELEDGER_BUILD_TESTS)
    add_test(NAME ${${file}_test} COMMAND ${CMAKE_COMMAND} -DMODE=check ${run})
  endif()
endforeach()
add_custom_target(regenerate-data ${regenerate_steps} VERBATIM
  COMMENT "Making the chart table and its block index again")
add_dependencies(regenerate-data tuneledger_make_block_index)
