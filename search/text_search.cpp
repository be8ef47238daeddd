// A search walks only the blocks the index lets through, and in each block looks for the text
// in the table's bytes directly. Entries lie one after the other, each closed by a NUL that no
// text holds, so an occurrence never spans two entries and the first occurrence belongs to the
// first entry that holds the text.
#include <algorithm>

#include "block_index.h"
#include "chart_table.h"
#include "matching.h"
#include "operations.h"

namespace tuneledger {
namespace {

// The first entry from `start` (0 or more) that holds the folded text, or NoEntry.
int FirstEntryHolding(const char* folded, std::size_t length, int start) {
  if (start > LastEntryIndex) return NoEntry;
  if (length == 0) return start;
  if (length > LongestEntry) return NoEntry;
  BlockMask blocks(start);
  blocks.KeepBlocksHolding(folded, length);
  Needle needle = MakeNeedle(folded, length);
  FindFoldedFunction find = ActiveFindFolded();
  for (int block = blocks.NextBlock(0); block < BlockCount; block = blocks.NextBlock(block + 1)) {
    int first = std::max(start, FirstEntryOfBlock(block));
    int end = EndEntryOfBlock(block);
    if (const char* at = find(EntryStart(first), EntryStart(end), needle)) return EntryAt(at, first, end);
  }
  return NoEntry;
}

}  // namespace

int TextSearch(char* text, std::size_t length, std::int32_t start) {
  FoldCase(text, length);
  return FirstEntryHolding(text, length, FirstSearched(start));
}

}  // namespace tuneledger
