// Finding a folded needle in a run of table bytes: the one primitive both searches are built
// on. It compares with A to Z folded in the text and nothing else folded, exactly as FoldCase
// does, so it gives the same answer as copying the bytes, folding them and searching the copy.
//
// The text is read past `end` by up to ReadPadding bytes (whole vector loads, no tail loop); the
// chart table carries that much padding after its last entry, so any run inside it may be
// searched.
#ifndef TUNELEDGER_SEARCH_FOLDED_FIND_H
#define TUNELEDGER_SEARCH_FOLDED_FIND_H

#include <cstddef>
#include <cstdint>

namespace tuneledger {

// A folded text to look for (1 or more bytes, no NUL), with the two of its bytes that the table
// holds least often: a search first looks for places where both of those stand, which are few,
// and compares the whole text only there.
struct Needle {
  const char* bytes;
  std::size_t length;
  std::size_t rare;   // position of the rarest byte
  std::size_t other;  // position of the next rarest (the same when the text has one byte)
};

Needle MakeNeedle(const char* folded, std::size_t length);

// How often each byte value occurs, folded, in the searchable entries. Computed with the block
// index (ngram_index_data.cpp).
extern const std::uint32_t FoldedByteCounts[256];

// The first position p in [begin, end - length] where the folded bytes at p equal the needle,
// or nullptr.
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

}  // namespace tuneledger

#endif
