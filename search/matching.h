// The matching rule of both searches, and everything that applies it.
//
// A needle matches an entry when, with the letters A to Z folded to a to z in both, the needle's
// bytes occur in the entry's bytes as one contiguous run. Nothing else is folded: bytes of 0x80
// and above, and every other ASCII byte, compare as they are, whatever the locale. An empty
// needle matches every entry.
//
// The searches never copy an entry to fold it: FindFolded folds the table's bytes as it reads
// them, which gives the same answer as copying, folding and searching the copy. Its loop, shared
// by every instruction set, is in scan_kernels.h.
#ifndef TUNELEDGER_SEARCH_MATCHING_H
#define TUNELEDGER_SEARCH_MATCHING_H

#include <cstddef>
#include <cstdint>

#include "chart_table.h"

namespace tuneledger {

// `static`: the AVX2 kernel's file includes this header too, and a shared inline copy compiled
// there could be the one the linker keeps for every caller, on processors without AVX2 as well.
static inline char FoldByte(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

// Folds `text` in place.
void FoldCase(char* text, std::size_t length);

// A folded text to look for (1 or more bytes, no NUL), with the two of its bytes that the table
// holds least often, counting what the quick test (scan_kernels.h) takes for them: a search
// first looks for places where both of those stand, which are few, and compares the whole text
// only there.
struct Needle {
  const char* bytes;
  std::size_t length;
  std::size_t rare;   // position of the rarest byte
  std::size_t other;  // position of the next rarest (the same when the text has one byte)
};

Needle MakeNeedle(const char* folded, std::size_t length);

// How often each byte value occurs, folded, in the searchable entries; generated with the block
// index (data/block_index_rows.cpp).
extern const std::uint32_t FoldedByteCounts[256];
// How many places of the searchable entries the quick test (scan_kernels.h) lets through for
// each needle byte: it sets bit 0x20 on both sides, so it takes the byte for itself and for the
// byte 0x20 away (a backslash for '|', '@' for '`'), whichever of the two the needle has.
extern const std::uint32_t QuickTestCounts[256];

// The first position p in [begin, end - length] where the folded bytes at p equal the needle,
// or nullptr. The text is read past `end` by up to ReadPadding bytes (whole vector loads, no
// tail loop); the chart table carries that much padding after its last entry, so any run inside
// it may be searched.
using FindFoldedFunction = const char* (*)(const char* begin, const char* end, const Needle& needle);

struct FindFoldedVariant {
  const char* name;
  FindFoldedFunction find;
};

// The variant the searches use: the fastest this processor runs, chosen on first use.
FindFoldedFunction ActiveFindFolded();

// Every variant this processor can run, the portable one first. For tests and benchmarks.
const FindFoldedVariant* FindFoldedVariants(std::size_t* count);

// Makes the searches use `find` from now on (nullptr: back to the fastest). For tests, which
// hold every variant to the same answers.
void UseFindFolded(FindFoldedFunction find);

inline const char* FindFolded(const char* begin, const char* end, const Needle& needle) {
  return ActiveFindFolded()(begin, end, needle);
}

// Whether entry `index` (0 to EntryCount - 1) contains the needle, looked for with `find` (a
// search that checks many entries passes the variant it chose once). The entry's terminator is
// searched too: no needle holds a NUL, so it never matches there.
inline bool ContainsFolded(int index, const Needle& needle, FindFoldedFunction find = ActiveFindFolded()) {
  return find(EntryStart(index), EntryStart(index + 1), needle) != nullptr;
}

}  // namespace tuneledger

#endif
