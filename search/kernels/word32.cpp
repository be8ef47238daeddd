// The 32-bit word variant of FindFolded, for 32-bit ARM, where the portable kernel's 64-bit word
// takes two registers and twice the instructions: eight bytes a step, in two 32-bit words that
// share the loop's test and step. The kernel of ARM processors without NEON, and of the Windows
// CE DLL.
#include <cstdint>

#include "search/kernels/lowest_bit.h"
#include "search/kernels/scan_loop.h"
#include "search/kernels/word_lanes.h"

namespace tuneledger {
namespace {

struct WordPairLanes {
  using Half = WordLanes<std::uint32_t>;
  static constexpr std::size_t Width = 2 * Half::Width;

  static std::uint32_t Broadcast(char byte) { return Half::Broadcast(byte); }

  // Bytes 0-3 in the low half, 4-7 in the high one, each as Half marks them.
  static std::uint64_t Matches(const char* at_rare, std::uint32_t rare, const char* at_other, std::uint32_t other) {
    const std::uint32_t low = Half::Matches(at_rare, rare, at_other, other);
    const std::uint32_t high = Half::Matches(at_rare + Half::Width, rare, at_other + Half::Width, other);
    return std::uint64_t{high} << 32 | low;
  }

  static std::size_t FirstLane(std::uint64_t matches) { return static_cast<std::size_t>(LowestBit(matches)) / 8; }
};

}  // namespace

const char* FindFoldedWords32(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<WordPairLanes>(begin, end, needle);
}

}  // namespace tuneledger
