// Which blocks of the chart table may hold a text: a small index that lets a search skip most
// of the table.
//
// The searchable entries (0 to LastEntryIndex) are cut into blocks of BlockSize entries. For
// every block the index records the folded byte values and byte triples that occur inside its
// entries: bytes exactly (a row per byte value), triples hashed into NgramRows rows. A row is a
// bit set over the blocks. A text can only occur in a block whose bits are set in the rows of
// all its triples (or, for texts of one or two bytes, of its bytes); the index never misses a
// block that holds the text, it only lets through a few that don't.
//
// Blocks are small (16 entries) so that a filter's terms, each common on its own, rarely meet in
// one block unless they meet in one entry.
//
// The rows are computed from the table by data/make_block_index.cpp and committed as
// data/block_index_rows.cpp; a test computes them again and fails on any difference.
#ifndef TUNELEDGER_SEARCH_BLOCK_INDEX_H
#define TUNELEDGER_SEARCH_BLOCK_INDEX_H

#include <cstddef>
#include <cstdint>

#include "chart_table.h"

namespace tuneledger {

inline constexpr int BlockSize = 16;
inline constexpr int BlockCount = (LastEntryIndex + 1 + BlockSize - 1) / BlockSize;
inline constexpr int MaskWords = (BlockCount + 63) / 64;
inline constexpr int NgramBits = 11;
inline constexpr std::size_t NgramRows = std::size_t{1} << NgramBits;

using BlockRow = std::uint64_t[MaskWords];
extern const BlockRow ByteBlocks[256];
extern const BlockRow NgramBlocks[NgramRows];

// The row of a triple; `folded` points at its folded bytes. The key is mixed thoroughly: keys
// differ only in a few low bits, and a weak mix would heap rare triples onto the rows of common
// ones.
inline std::uint32_t NgramRow(std::uint32_t key) {
  key ^= key >> 16;
  key *= 0x85EBCA6Bu;
  key ^= key >> 13;
  key *= 0xC2B2AE35u;
  key ^= key >> 16;
  return key & (NgramRows - 1);
}
inline std::uint32_t Byte(const char* folded, int i) { return static_cast<unsigned char>(folded[i]); }
inline std::uint32_t TripleRow(const char* folded) {
  return NgramRow(Byte(folded, 0) | Byte(folded, 1) << 8 | Byte(folded, 2) << 16 | 3u << 24);
}

// A set of blocks still in question.
class BlockMask {
 public:
  // The blocks from the one holding entry `first` on.
  explicit BlockMask(int first);

  // Keeps only the blocks that may hold `folded` (1 or more bytes, already folded).
  void KeepBlocksHolding(const char* folded, std::size_t length);

  bool Empty() const;
  // The first block left at or after `block`, or BlockCount.
  int NextBlock(int block) const;

 private:
  void Keep(const BlockRow& row);

  std::uint64_t words_[MaskWords];
};

inline int FirstEntryOfBlock(int block) { return block * BlockSize; }
// One past the last searchable entry of `block`.
inline int EndEntryOfBlock(int block) {
  int end = (block + 1) * BlockSize;
  return end < LastEntryIndex + 1 ? end : LastEntryIndex + 1;
}

}  // namespace tuneledger

#endif
