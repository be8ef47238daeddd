// Looking for a text in the chart table, as both searches do: the needle made once from the
// folded text, then found in one entry, or in the blocks the index leaves.
#ifndef TUNELEDGER_SEARCH_SCAN_H
#define TUNELEDGER_SEARCH_SCAN_H

#include <cstddef>
#include <cstdint>

#include "data/chart_table.h"
#include "search/index/block_index.h"
#include "search/kernels/find_folded.h"

namespace tuneledger {

// The needle for the `length` folded bytes at `folded` (1 or more), with its two rarest bytes.
Needle MakeNeedle(const char* folded, std::size_t length);

// Whether entry `index` (0 to EntryCount - 1) contains the needle, looked for with `find` (a
// search that checks many entries passes the variant it chose once). The entry's terminator is
// searched too: no needle holds a NUL, so it never matches there.
inline bool ContainsFolded(int index, const Needle& needle, FindFoldedFunction find) {
  return find(EntryStart(index), EntryStart(index + 1), needle) != nullptr;
}

// Whether even the needle's rarest byte stands about once an entry or more (counting what the
// quick test takes for it): the text is mostly found within a few entries of any start.
inline bool StandsInMostEntries(const Needle& needle) {
  return QuickTestCounts[static_cast<unsigned char>(needle.bytes[needle.rare])] > LastEntryIndex;
}

// The first entry from `from` on, in a block `blocks` leaves, that holds the needle, or NoEntry.
int FirstEntryHolding(const Needle& needle, const BlockMask& blocks, int from, FindFoldedFunction find);

// The first entry from `from` on, among those of `listed` (a list of TripleLists), that holds
// the needle, or NoEntry.
int FirstListedEntryHolding(const Needle& needle, const std::uint16_t* listed, int from, FindFoldedFunction find);

// A text this short has its triples looked up before any block is read, for their lists.
inline constexpr std::size_t ListedText = 8;

// The first entry from `start` (0 or more) that holds the `length` folded bytes at `folded`, or
// NoEntry: the search of a text, and of a filter of one term (text_search.cpp).
int FirstEntryContaining(const char* folded, std::size_t length, int start);

}  // namespace tuneledger

#endif
