# The chart table, everything made from it, and the checks that it is current. Included by the
# top CMakeLists.txt.
#
#   data/chart.txt                       the table, one entry a line   made by data/make_chart.py
#   <build>/chart_data.cpp               the table as constant data   made by data/embed_chart.cmake
#
# Committed files made by a generator (the table here, the block index's rows in
# search/index/index.cmake) are registered with tuneledger_generated_file: `cmake --build <build>
# --target regenerate-data` makes each again, in the order registered (through regenerate.cmake,
# which replaces a file only when it changed), and a test per file fails when it differs from what
# its generator writes now. chart_data.cpp is made at every build, with CMake alone, so cross
# builds need no program of their own.

set(chart_text ${CMAKE_CURRENT_SOURCE_DIR}/data/chart.txt)

set(chart_source ${CMAKE_CURRENT_BINARY_DIR}/chart_data.cpp)
add_custom_command(
  OUTPUT ${chart_source}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${chart_text} -DOUTPUT=${chart_source}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/data/embed_chart.cmake
  DEPENDS ${chart_text} data/embed_chart.cmake
  COMMENT "Embedding the chart table")

# tuneledger_generated_file(<name> COMMAND <program> <arg>... OUTPUT <committed file> TEST <name>
#                           [DEPENDS <target>...]): a committed file and the generator that
# writes it to standard output. Generators run on the build machine, so a cross build leaves them
# out.
function(tuneledger_generated_file name)
  cmake_parse_arguments(PARSE_ARGV 1 file "" "OUTPUT;TEST" "COMMAND;DEPENDS")
  if(CMAKE_CROSSCOMPILING)
    return()
  endif()
  string(REPLACE ";" "$<SEMICOLON>" command "${file_COMMAND}")
  set(run -DCOMMAND=${command} -DOUTPUT=${file_OUTPUT}
          -DSCRATCH=${CMAKE_CURRENT_BINARY_DIR}/${name}.generated
          -P ${PROJECT_SOURCE_DIR}/data/regenerate.cmake)
  set_property(GLOBAL APPEND PROPERTY tuneledger_regenerate_steps COMMAND ${CMAKE_COMMAND} -DMODE=write ${run})
  set_property(GLOBAL APPEND PROPERTY tuneledger_regenerate_depends ${file_DEPENDS})
  if(TUNELEDGER_BUILD_TESTS)
    add_test(NAME ${file_TEST} COMMAND ${CMAKE_COMMAND} -DMODE=check ${run})
  endif()
endfunction()

# The target regenerate-data, once every generated file is registered.
function(tuneledger_finish_generated_files)
  if(CMAKE_CROSSCOMPILING)
    return()
  endif()
  get_property(steps GLOBAL PROPERTY tuneledger_regenerate_steps)
  get_property(depends GLOBAL PROPERTY tuneledger_regenerate_depends)
  add_custom_target(regenerate-data ${steps} VERBATIM
    COMMENT "Making the chart table and everything committed that is made from it again")
  if(depends)
    add_dependencies(regenerate-data ${depends})
  endif()
endfunction()

find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  tuneledger_generated_file(chart
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/data/make_chart.py
    OUTPUT ${chart_text}
    TEST ChartGeneratorReproducesTable)
endif()
