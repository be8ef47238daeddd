// A search walks only the blocks the index lets through, and in each looks for the text in the
// table's bytes directly. Entries lie one after the other, each closed by a NUL that no text
// holds, so an occurrence never spans two entries and the first occurrence belongs to the first
// entry that holds the text. Near the end of the table it reads what is left without the index.
// A text with a triple few entries hold is looked for in those entries alone, and a one-byte
// text with an entry row is answered by the row.
#include "data/chart_table.h"
#include "search/index/block_index.h"
#include "search/matching.h"
#include "search/operations.h"
#include "search/scan.h"

namespace tuneledger {

int FirstEntryContaining(const char* folded, std::size_t length, int start) {
  if (start > LastEntryIndex) return NoEntry;
  if (length == 0) return start;
  if (length > LongestEntry) return NoEntry;
  static_assert(NoEntry == -1);
  if (length == 1 && EntrySieve::Exact(folded[0])) return FirstEntryHoldingByte(folded[0], start);
  // The needle's rare bytes tell the way; the rest of it is made once, when a kernel is to read.
  Needle needle = NeedleWithRareBytes(folded, length);
  bool needle_made = false;
  auto made = [&]() -> const Needle& {
    if (!needle_made) needle = ForKernel(needle);
    needle_made = true;
    return needle;
  };
  FindFoldedFunction find = ActiveFindFolded();
  if (FewBytesFrom(start)) {
    const char* at = find(EntryStart(start), EntryStart(LastEntryIndex + 1), made());
    return at == nullptr ? NoEntry : EntryAt(at, start, LastEntryIndex + 1);
  }
  bool pieces_asked = false;
  const std::uint16_t* listed = nullptr;  // the entries a rare triple of the text is in
  if (StandsInMostEntries(needle)) {
    // Mostly found within a few entries (a caller paging through its hits asks again from the
    // entry after each): the rest of the start's block is read before the index is consulted.
    // A short text is asked about its pieces first, since that costs little; a longer one only
    // once the block is read, below, as any text is.
    if (length <= ShortText) {
      if (!EveryPieceOccurs(folded, length, &listed)) return NoEntry;
      pieces_asked = true;
    }
    // From the end of the table on, the index below leaves nothing to read.
    int end = EndEntryOfBlock(start / BlockSize);
    if (const char* at = find(EntryStart(start), EntryStart(end), made())) return EntryAt(at, start, end);
    start = end;
  } else if (length <= ListedText) {
    if (!EveryPieceOccurs(folded, length, &listed)) return NoEntry;
    pieces_asked = true;
  }
  if (listed != nullptr) return FirstListedEntryHolding(made(), listed, start, find);
  BlockMask blocks(start);
  if (!blocks.KeepBlocksHolding(folded, length)) return NoEntry;
  if (!pieces_asked && WorthAskingWhichPiecesOccur(length, blocks) && !EveryPieceOccurs(folded, length)) return NoEntry;
  return FirstEntryHolding(made(), blocks, start, find);
}

int TextSearch(char* text, std::size_t length, std::int32_t start) {
  FoldCase(text, length);
  return FirstEntryContaining(text, length, FirstSearched(start));
}

}  // namespace tuneledger
