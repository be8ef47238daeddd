#include "block_index.h"

namespace tuneledger {

BlockMask::BlockMask(int first) {
  int first_block = first / BlockSize;
  for (int w = 0; w < MaskWords; ++w) {
    int low = w * 64;  // the block of bit 0 of this word
    std::uint64_t word = ~std::uint64_t{0};
    if (first_block > low) word = first_block - low >= 64 ? 0 : word << (first_block - low);
    if (BlockCount < low + 64) word &= BlockCount <= low ? 0 : (std::uint64_t{1} << (BlockCount - low)) - 1;
    words_[w] = word;
  }
}

void BlockMask::Keep(const BlockRow& row) {
  for (int w = 0; w < MaskWords; ++w) words_[w] &= row[w];
}

void BlockMask::KeepBlocksHolding(const char* folded, std::size_t length) {
  if (length < 3) {
    for (std::size_t i = 0; i < length; ++i) Keep(ByteBlocks[static_cast<unsigned char>(folded[i])]);
  } else {
    for (std::size_t i = 0; i + 3 <= length && !Empty(); ++i) Keep(NgramBlocks[TripleRow(folded + i)]);
  }
}

bool BlockMask::Empty() const {
  std::uint64_t any = 0;
  for (int w = 0; w < MaskWords; ++w) any |= words_[w];
  return any == 0;
}

int BlockMask::NextBlock(int block) const {
  for (int w = block / 64; w < MaskWords; ++w) {
    std::uint64_t word = words_[w];
    if (w == block / 64) word &= ~std::uint64_t{0} << (block % 64);
    if (word != 0) return w * 64 + __builtin_ctzll(word);
  }
  return BlockCount;
}

}  // namespace tuneledger
