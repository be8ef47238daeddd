// A search walks only the blocks the index lets through, and in each looks for the text in the
// table's bytes directly. Entries lie one after the other, each closed by a NUL that no text
// holds, so an occurrence never spans two entries and the first occurrence belongs to the first
// entry that holds the text. Near the end of the table it reads what is left without the index.
#include "block_index.h"
#include "chart_table.h"
#include "matching.h"
#include "operations.h"

namespace tuneledger {
namespace {

// The first entry from `start` (0 or more) that holds the folded text, or NoEntry.
int FirstHit(const char* folded, std::size_t length, int start) {
  if (start > LastEntryIndex) return NoEntry;
  if (length == 0) return start;
  if (length > LongestEntry) return NoEntry;
  Needle needle = MakeNeedle(folded, length);
  if (FewBytesFrom(start)) {
    const char* at = FindFolded(EntryStart(start), EntryStart(LastEntryIndex + 1), needle);
    return at == nullptr ? NoEntry : EntryAt(at, start, LastEntryIndex + 1);
  }
  BlockMask blocks(start);
  blocks.KeepBlocksHolding(folded, length);
  if (blocks.Empty()) return NoEntry;
  if (WorthAskingWhichPiecesOccur(length, blocks) && !EveryPieceOccurs(folded, length)) return NoEntry;
  return FirstEntryHolding(needle, blocks, start, ActiveFindFolded());
}

}  // namespace

int TextSearch(char* text, std::size_t length, std::int32_t start) {
  FoldCase(text, length);
  return FirstHit(text, length, FirstSearched(start));
}

}  // namespace tuneledger
