// Looking for a text in the chart table, as both searches do: the needle made once from the
// folded text, then found in one entry, or in the blocks the index leaves.
#ifndef TUNELEDGER_SEARCH_SCAN_H
#define TUNELEDGER_SEARCH_SCAN_H

#include <cstddef>
#include <cstdint>

#include "data/chart_table.h"
#include "search/index/block_index.h"
#include "search/kernels/find_folded.h"
#include "search/kernels/processor.h"

namespace tuneledger {

// `needle` with its first word made from its bytes. A letter of the needle equals a text's byte
// with bit 0x20 set, which is exactly that letter in either case; any other byte equals the
// text's byte as it is. The word's bytes are read at once where they lie in one page, and those
// past the needle's end are masked off.
TUNELEDGER_READS_WITHIN_PAGES inline Needle WithFirstWord(Needle needle) {
  constexpr std::size_t n = NeedleWordBytes;
  constexpr NeedleWord ones = static_cast<NeedleWord>(~NeedleWord{0}) / 0xFF;
  constexpr std::uintptr_t page = SmallestPage;
  NeedleWord bytes = 0, kept = ~NeedleWord{0};
  if (needle.length < n) kept = static_cast<NeedleWord>((NeedleWord{1} << 8 * needle.length) - 1);
  if (needle.length >= n || reinterpret_cast<std::uintptr_t>(needle.bytes) % page <= page - n) {
    bytes = WordAt(needle.bytes) & kept;
  } else {
    for (std::size_t i = needle.length; i-- > 0;) {
      bytes = static_cast<NeedleWord>(bytes << 8 | static_cast<unsigned char>(needle.bytes[i]));
    }
  }
  // In a byte below 0x80, the high bit of low + (0x80 - c) is set where the byte is c or more.
  const NeedleWord low = bytes & ones * 0x7F;
  const NeedleWord from_a = low + ones * (0x80 - 'a'), past_z = low + ones * (0x80 - 'z' - 1);
  needle.first = {bytes, static_cast<NeedleWord>((from_a & ~past_z & ~bytes & ones * 0x80) >> 2), kept};
  return needle;
}

// The needle for the `length` folded bytes at `folded` (1 or more), with its two rarest bytes but
// neither a third byte nor its first word.
Needle NeedleWithRareBytes(const char* folded, std::size_t length);

// Where the third byte a vector kernel asks about lies, in a needle of `length` bytes (3 or more)
// whose rare bytes are at `rare` and `other`: its last byte, else its first, else (the rare ones
// at both ends) its second. An end of the needle mostly lies away from the rare bytes, and bytes
// side by side go together more often; choosing by counts did no better and cost every call more.
inline std::size_t ThirdPlace(std::size_t length, std::size_t rare, std::size_t other) {
  const std::size_t last = length - 1;
  if (rare != last && other != last) return last;
  return rare != 0 && other != 0 ? 0 : 1;
}

// `needle` with its third byte, where it has 3 bytes or more.
inline Needle WithThirdByte(Needle needle) {
  if (needle.length > 2) needle.third = ThirdPlace(needle.length, needle.rare, needle.other);
  return needle;
}

// `needle`, with its rare bytes, ready for a kernel.
inline Needle ForKernel(Needle needle) { return WithFirstWord(WithThirdByte(needle)); }

// The needle for the `length` folded bytes at `folded` (1 or more), ready for a kernel.
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
