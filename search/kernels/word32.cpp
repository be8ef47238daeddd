// The 32-bit word variant of FindFolded: four bytes in a 32-bit word, for 32-bit ARM, where the
// portable kernel's 64-bit word takes two registers and twice the instructions. The kernel of
// ARM processors without NEON, and of the Windows CE DLL.
#include "search/kernels/scan_loop.h"
#include "search/kernels/word_lanes.h"

namespace tuneledger {

const char* FindFoldedWords32(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<WordLanes<std::uint32_t>>(begin, end, needle);
}

}  // namespace tuneledger
