#include "search/scan.h"

#include <algorithm>
#include <cstdint>

#include "search/operations.h"

namespace tuneledger {
namespace {

std::uint32_t Count(char byte) { return QuickTestCounts[static_cast<unsigned char>(byte)]; }

}  // namespace

Needle NeedleWithRareBytes(const char* folded, std::size_t length) {
  // One pass keeping the two smallest counts; the earlier byte wins a tie.
  std::size_t rare = 0, other = 0;
  std::uint32_t rare_count = Count(folded[0]), other_count = UINT32_MAX;
  for (std::size_t i = 1; i < length; ++i) {
    std::uint32_t count = Count(folded[i]);
    if (count < rare_count) {
      other = rare;
      other_count = rare_count;
      rare = i;
      rare_count = count;
    } else if (count < other_count) {
      other = i;
      other_count = count;
    }
  }
  return {folded, length, rare, other, rare, {}};
}

Needle MakeNeedle(const char* folded, std::size_t length) { return ForKernel(NeedleWithRareBytes(folded, length)); }

int FirstEntryHolding(const Needle& needle, const BlockMask& blocks, int from, FindFoldedFunction find) {
  // The first block is read on its own, since the hit mostly lies there when the text is
  // common; then each run of blocks left side by side in one stretch.
  const int first_block = blocks.NextBlock(from / BlockSize);
  for (int block = first_block, past = 0; block < BlockCount; block = blocks.NextBlock(past)) {
    past = block == first_block ? block + 1 : blocks.EndOfRun(block);
    const int first = std::max(from, FirstEntryOfBlock(block));
    const int end = EndEntryOfBlock(past - 1);
    if (const char* at = find(EntryStart(first), EntryStart(end), needle)) return EntryAt(at, first, end);
  }
  return NoEntry;
}

int FirstListedEntryHolding(const Needle& needle, const std::uint16_t* listed, int from, FindFoldedFunction find) {
  for (const std::uint16_t* entry = listed + 1; entry <= listed + listed[0]; ++entry) {
    if (*entry >= from && ContainsFolded(*entry, needle, find)) return *entry;
  }
  return NoEntry;
}

}  // namespace tuneledger
