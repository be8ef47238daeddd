// The portable variant of FindFolded: eight bytes in a 64-bit word, on every processor.
#include "search/kernels/scan_loop.h"
#include "search/kernels/word_lanes.h"

namespace tuneledger {

const char* FindFoldedWords(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<WordLanes<std::uint64_t>>(begin, end, needle);
}

}  // namespace tuneledger
