# Turns the chart table (one entry a line) into a C++ source of constant data.
#
#   cmake -DINPUT=data/chart.txt -DOUTPUT=chart_data.cpp -P data/embed_chart.cmake
#
# Runs at build time with nothing but CMake, so cross builds need no helper program. Every byte
# is written as a hex escape: entries hold bytes of 0x80 and above that must reach the library
# unchanged whatever the compiler's source character set.

file(READ "${INPUT}" hex HEX)
if(NOT hex MATCHES "0a$")
  message(FATAL_ERROR "${INPUT}: the last entry must end with a line feed")
endif()
string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${hex}")
string(REGEX REPLACE "\\\\x0a$" "" escaped "${escaped}")
# Every byte is now "\xHH", so "\x0a" can only be a whole line-feed byte; the escapes hold no
# ';', which keeps each line one element of the list.
string(REPLACE "\\x0a" ";" lines "${escaped}")

set(offset 0)
set(longest 0)
set(count 0)
set(offsets "")
set(texts "")
foreach(line IN LISTS lines)
  string(LENGTH "${line}" width)
  math(EXPR length "${width} / 4")
  if(length GREATER longest)
    set(longest ${length})
  endif()
  string(APPEND offsets "${offset},")
  math(EXPR column "${count} % 16")
  if(column EQUAL 15)
    string(APPEND offsets "\n")
  endif()
  string(APPEND texts "    \"${line}\\0\"\n")
  math(EXPR offset "${offset} + ${length} + 1")
  math(EXPR count "${count} + 1")
endforeach()
string(APPEND offsets "${offset}")

file(WRITE "${OUTPUT}.tmp" "\
// Generated from chart.txt by data/embed_chart.cmake at build time. Do not edit.
#include \"data/chart_table.h\"

namespace tuneledger {

static_assert(${count} == EntryCount, \"chart.txt must hold exactly EntryCount entries\");
static_assert(${longest} <= LongestEntry, \"an entry is longer than LongestEntry\");

// Zeros follow the last entry, so searches may read whole vector widths past any entry.
extern const char EntryBytes[${offset} + ReadPadding] =
${texts};

extern const std::uint32_t EntryOffsets[EntryCount + 1] = {
${offsets}
};

}  // namespace tuneledger
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
