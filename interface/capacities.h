// Fixed sizes of the per-call fields. Nothing in a call is sized by its input.
#ifndef TUNELEDGER_INTERFACE_CAPACITIES_H
#define TUNELEDGER_INTERFACE_CAPACITIES_H

#include <cstddef>

#include "data/chart_table.h"
#include "search/operations.h"
#include "tuneledger.h"

namespace tuneledger {

// UTF-16 code units of a result text, terminator included.
inline constexpr std::size_t ResultCapacity = TUNELEDGER_RESULT_UNITS;
// Bytes of the search field: the longest text any entry can contain, and its terminator. A
// longer search text occurs in no entry.
inline constexpr std::size_t SearchCapacity = LongestEntry + 1;
// Bytes of the filter field: the longest filter that counts (2999 characters), and its terminator.
inline constexpr std::size_t FilterCapacity = LongestFilter + 1;

// A hit is at most "11081-" and the longest entry; the result text must hold it.
static_assert(5 + 1 + LongestEntry + 1 <= ResultCapacity);

// The limits the public header states are the ones the library keeps.
static_assert(LastEntryIndex == TUNELEDGER_LAST_INDEX);
static_assert(LongestEntry == TUNELEDGER_LONGEST_TEXT);
static_assert(LongestFilter == TUNELEDGER_LONGEST_FILTER);

}  // namespace tuneledger

#endif
