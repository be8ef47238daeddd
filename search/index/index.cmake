# The block index: its rows (block_index_rows.cpp, committed) are made from the chart table by
# make_block_index, a program of this room, and checked by the test BlockIndexIsCurrent.
# Included by the top CMakeLists.txt after data/pipeline.cmake.
set(block_index_sources
  search/index/block_index.cpp
  search/index/block_index_rows.cpp)

if(NOT CMAKE_CROSSCOMPILING)
  add_executable(tuneledger_make_block_index search/index/make_block_index.cpp)
  tuneledger_sees(tuneledger_make_block_index data/chart_table.h search/index search/matching.h search/kernels/lowest_bit.h)
  target_link_libraries(tuneledger_make_block_index PRIVATE tuneledger_warnings)
  tuneledger_generated_file(block_index
    COMMAND $<TARGET_FILE:tuneledger_make_block_index> ${chart_text}
    OUTPUT ${CMAKE_CURRENT_SOURCE_DIR}/search/index/block_index_rows.cpp
    TEST BlockIndexIsCurrent
    DEPENDS tuneledger_make_block_index)
endif()
