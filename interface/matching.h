// The matching rule shared by both searches: a needle matches an entry when, with the letters
// A to Z folded to a to z in both, the needle's bytes occur in the entry's bytes as one
// contiguous run. Nothing else is folded: bytes of 0x80 and above, and every other ASCII byte,
// compare as they are, whatever the locale.
#ifndef TUNELEDGER_INTERFACE_MATCHING_H
#define TUNELEDGER_INTERFACE_MATCHING_H

#include <cstddef>
#include <string_view>

namespace tuneledger {

inline char FoldByte(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

// Folds `text` in place.
void FoldCase(char* text, std::size_t length);

// Whether entry `index` contains `folded_needle`, a needle already folded with FoldCase. An
// empty needle is contained in every entry. The entry is folded as it is read, never copied or
// changed.
bool ContainsFolded(int index, std::string_view folded_needle);

}  // namespace tuneledger

#endif
