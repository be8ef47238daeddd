// A search walks only the blocks the index lets through, and in each block looks for the text
// in the table's bytes directly. Entries lie one after the other, each closed by a NUL that no
// text holds, so an occurrence never spans two entries and the first occurrence belongs to the
// first entry that holds the text.
#include "chart_table.h"
#include "folded_find.h"
#include "matching.h"
#include "ngram_index.h"
#include "operations.h"
#include "result_text.h"
#include "table_scan.h"

namespace tuneledger {
namespace {

// The first entry from `start` (0 or more) that holds the folded text, or -1.
int FirstEntryHolding(const char* folded, std::size_t length, int start) {
  if (start > LastEntryIndex) return -1;
  if (length == 0) return start;
  if (length > LongestEntry) return -1;
  BlockMask blocks(start);
  blocks.KeepBlocksHolding(folded, length);
  Needle needle = MakeNeedle(folded, length);
  FindFoldedFunction find = ActiveFindFolded();
  for (int block = blocks.NextBlock(0); block < BlockCount; block = blocks.NextBlock(block + 1)) {
    int first = std::max(start, FirstEntryOfBlock(block));
    int end = EndEntryOfBlock(block);
    if (const char* at = find(EntryStart(first), EntryStart(end), needle)) return EntryAt(at, first, end);
  }
  return -1;
}

}  // namespace

const char16_t* SearchText(FieldText text, std::int32_t start) {
  char16_t* result = ResultText(Operation::Text);
  if (text.fits) {
    FoldCase(text.bytes, text.length);
    int hit = FirstEntryHolding(text.bytes, text.length, FirstSearched(start));
    if (hit >= 0) return ComposeHit(result, hit);
  }
  return ComposeMessage(result, NotFoundText);
}

}  // namespace tuneledger
