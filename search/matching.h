// The matching rule of both searches.
//
// A needle matches an entry when, with the letters A to Z folded to a to z in both, the needle's
// bytes occur in the entry's bytes as one contiguous run. Nothing else is folded: bytes of 0x80
// and above, and every other ASCII byte, compare as they are, whatever the locale. An empty
// needle matches every entry.
//
// The searches never copy an entry to fold it: the scan kernels (search/kernels/) fold the
// table's bytes as they read them, which gives the same answer as copying, folding and searching
// the copy.
#ifndef TUNELEDGER_SEARCH_MATCHING_H
#define TUNELEDGER_SEARCH_MATCHING_H

#include <cstddef>

namespace tuneledger {

// `static`: each scan kernel's file includes this header, compiled for its own instruction set,
// and a shared inline copy compiled there could be the one the linker keeps for every caller, on
// processors without that instruction set as well.
static inline char FoldByte(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

// Whether the `length` bytes at `text`, folded, equal the folded `needle`.
static inline bool EqualsFolded(const char* text, const char* needle, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (FoldByte(text[i]) != needle[i]) return false;
  }
  return true;
}

// Folds `text` in place.
void FoldCase(char* text, std::size_t length);

}  // namespace tuneledger

#endif
