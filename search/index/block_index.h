// Which blocks of the chart table may hold a text: a small index that lets a search skip most
// of the table.
//
// The searchable entries (0 to LastEntryIndex) are cut into blocks of BlockSize entries. For
// every block the index records the folded byte values and byte triples that occur inside its
// entries: bytes exactly (a row per byte value), byte pairs hashed into PairRows rows, triples
// in TripleRows rows, which the generator shares out among them so that a triple in few blocks
// shares its row with none or with one alike (a triple in very few entries lists them instead).
// A row is a bit set over the blocks. A text can only occur in a block whose bits are set in the
// rows of all its triples (a text of two bytes: of its pair; of one byte: of its byte); the index
// never misses a block that holds the text, it only lets through a few that don't.
//
// Beside the rows, the index holds exactly which folded pairs and triples occur anywhere in the
// table (FoldedByteCounts says it for bytes), and a sieve of the 4-byte pieces that occur. A text
// with a byte, pair, triple or 4-byte piece that occurs nowhere is in no entry, and is answered
// before any block is read. The sieve matters for words with a letter changed: each of their
// triples is common, and only a 4-byte piece tells that they stand in no entry.
//
// A triple that few entries hold (FewEntries or fewer) has the list of those entries: a text
// holding it is looked for in them alone.
//
// The bytes that many entries hold, but not every one, have a row over the entries themselves
// too: bit i of an entry row is set when entry i holds the byte, folded. A one-byte text or term
// is answered by its row alone, and the rows of all the bytes of a filter's terms leave as
// candidates only the entries that hold every one of those bytes, 64 entries a word.
//
// Blocks are small (16 entries) so that a filter's terms, each common on its own, rarely meet in
// one block unless they meet in one entry.
//
// The rows are computed from the table by make_block_index.cpp, beside this file, and committed
// as block_index_rows.cpp; a test computes them again and fails on any difference (index.cmake).
#ifndef TUNELEDGER_SEARCH_INDEX_BLOCK_INDEX_H
#define TUNELEDGER_SEARCH_INDEX_BLOCK_INDEX_H

#include <cstddef>
#include <cstdint>

#include "data/chart_table.h"
#include "search/kernels/lowest_bit.h"

namespace tuneledger {

inline constexpr int BlockSize = 16;
inline constexpr int BlockCount = (LastEntryIndex + 1 + BlockSize - 1) / BlockSize;
inline constexpr int MaskWords = (BlockCount + 63) / 64;
inline constexpr int TripleRowBits = 11;
inline constexpr std::size_t TripleRows = std::size_t{1} << TripleRowBits;
inline constexpr int PairBits = 9;
inline constexpr std::size_t PairRows = std::size_t{1} << PairBits;
// Slots of the set of triples that occur: a power of two, about 1.6 times their number, so that
// looking one up takes a probe or two.
inline constexpr int TripleSlotBits = 13;
inline constexpr std::size_t TripleSlots = std::size_t{1} << TripleSlotBits;

// The sieve of 4-byte pieces (some 26,000 occur) has about ten bits a piece, in words of 64: a
// piece sets QuadProbes bits of one word, so that asking about a piece reads one word, and a
// piece that occurs nowhere passes about once in fifty.
inline constexpr int QuadWordBits = 12;
inline constexpr std::size_t QuadWords = std::size_t{1} << QuadWordBits;
inline constexpr int QuadProbes = 4;

using BlockRow = std::uint64_t[MaskWords];
// How often each byte value occurs, folded, in the searchable entries.
extern const std::uint32_t FoldedByteCounts[256];
// How many places of the searchable entries the scan kernels' quick test lets through for each
// needle byte: it sets bit 0x20 on both sides, so it takes the byte for itself and for the byte
// 0x20 away (a backslash for '|', '@' for '`'), whichever of the two the needle has.
extern const std::uint32_t QuickTestCounts[256];
extern const BlockRow ByteBlocks[256];
extern const BlockRow PairBlocks[PairRows];
extern const BlockRow TripleBlocks[TripleRows];
// Bit (first | second << 8) is set when the folded pair occurs in a searchable entry.
extern const std::uint64_t PairsPresent[65536 / 64];
// The triples that occur in a searchable entry, by key (TripleKey), in an open-addressing set:
// a key lies in slot TripleSlot(key) or in the first slots after it (wrapping around), before the
// first empty slot (0, which no key is: no text holds a NUL).
extern const std::uint32_t TriplesPresent[TripleSlots];
// Where the blocks of each triple that occurs are found: for the triple in TriplesPresent[slot],
// TripleBlocksAt[slot] is its row in TripleBlocks, or, for a triple that few entries hold
// (FewEntries or fewer), ListedTriple and where the list of those entries starts in TripleLists:
// a list is its length and then its entries in table order.
inline constexpr int FewEntries = 32;
inline constexpr unsigned ListedTriple = 0x8000;
extern const std::uint16_t TripleBlocksAt[TripleSlots];
extern const std::uint16_t TripleLists[];
// For every 4-byte piece that occurs in a searchable entry, the bits QuadBits(QuadHash(piece)) are
// set in word QuadWord(QuadHash(piece)).
extern const std::uint64_t QuadSieve[QuadWords];

inline constexpr int EntryWords = (LastEntryIndex + 1 + 63) / 64;
using EntryRow = std::uint64_t[EntryWords];
// A byte that fewer entries hold than this has no entry row: its block row narrows it enough.
inline constexpr std::uint32_t EntryRowThreshold = 128;
inline constexpr int MostEntryRows = 64;
// What EntryRowOfByte says of a byte with no row, and of a byte that every entry holds.
inline constexpr std::uint8_t NoEntryRow = 0xFF;
inline constexpr std::uint8_t InEveryEntry = 0xFE;
// For every byte value, folded: the number of its row in EntryRows, NoEntryRow or InEveryEntry.
extern const std::uint8_t EntryRowOfByte[256];
extern const EntryRow EntryRows[];

// Keys differ only in a few low bits, so they are mixed thoroughly: a weak mix would heap rare
// pieces onto the rows of common ones.
inline std::uint32_t Mix(std::uint32_t key) {
  key ^= key >> 16;
  key *= 0x85EBCA6Bu;
  key ^= key >> 13;
  key *= 0xC2B2AE35u;
  key ^= key >> 16;
  return key;
}
inline std::uint32_t Byte(const char* folded, int i) { return static_cast<unsigned char>(folded[i]); }
inline std::uint32_t PairKey(const char* folded) { return Byte(folded, 0) | Byte(folded, 1) << 8; }
inline std::uint32_t TripleKey(const char* folded) { return PairKey(folded) | Byte(folded, 2) << 16; }
// The row of a pair; `folded` points at its folded bytes.
inline std::uint32_t PairRow(const char* folded) { return Mix(PairKey(folded) | 2u << 24) & (PairRows - 1); }
inline std::uint32_t TripleSlot(std::uint32_t key) { return (Mix(key) >> 16) & (TripleSlots - 1); }
inline std::uint32_t QuadKey(const char* folded) { return TripleKey(folded) | Byte(folded, 3) << 24; }
// Where a 4-byte piece lies in the sieve: its word, and the bits it sets there, all taken from
// the high bits of one multiplication, which are mixed well enough and cost little.
inline std::uint64_t QuadHash(const char* folded) { return QuadKey(folded) * std::uint64_t{0x9E3779B97F4A7C15}; }
inline std::size_t QuadWord(std::uint64_t hash) { return static_cast<std::size_t>(hash >> (64 - QuadWordBits)); }
inline std::uint64_t QuadBits(std::uint64_t hash) {
  std::uint64_t bits = 0;
  for (int probe = 0; probe < QuadProbes; ++probe) bits |= std::uint64_t{1} << ((hash >> (28 + 6 * probe)) & 63);
  return bits;
}

// Whether every byte, pair and triple of `folded` (1 or more bytes) occurs somewhere in the
// searchable entries, and every 4-byte piece passes the sieve. When not, no entry holds the text.
// When they do and `listed` is given, it is set to the shortest list (see TripleLists) of the
// text's triples, or to nullptr when none of them has one.
bool EveryPieceOccurs(const char* folded, std::size_t length, const std::uint16_t** listed = nullptr);

// A set of blocks still in question.
class BlockMask {
 public:
  // The blocks from the one holding entry `first` (0 to LastEntryIndex + 1) on.
  explicit BlockMask(int first);

  // Keeps only the blocks that may hold `folded` (1 or more bytes, already folded), and says
  // whether any is left.
  [[nodiscard]] bool KeepBlocksHolding(const char* folded, std::size_t length);

  int Count() const;
  // Whether more than `count` blocks are left; stops counting there.
  bool MoreThan(int count) const;
  // The first block left at or after `block`, or BlockCount.
  int NextBlock(int block) const {
    for (int w = block / 64; w < MaskWords; ++w) {
      std::uint64_t word = words_[w];
      if (w == block / 64) word &= ~std::uint64_t{0} << (block % 64);
      if (word != 0) return w * 64 + LowestBit(word);
    }
    return BlockCount;
  }
  // The first block at or after `block` (a block left) that is not left, or BlockCount.
  int EndOfRun(int block) const;
  // The entries of word `word` of an entry row (entries 64 * word on) whose blocks are left.
  std::uint64_t EntriesLeft(int word) const;

 private:
  // Each keeps only some blocks and says whether any is left: those of `row`, and those of the
  // entries a list of TripleLists names.
  bool Keep(const BlockRow& row);
  bool KeepListed(const std::uint16_t* listed);

  std::uint64_t words_[MaskWords];
};

// The entries that hold every byte of a set of bytes, as far as the entry rows tell: bytes
// without a row leave every entry in.
class EntrySieve {
 public:
  // Narrows the candidates to the entries that hold `byte` (folded), if it has a row.
  void Hold(char byte) {
    const unsigned row = EntryRowOfByte[static_cast<unsigned char>(byte)];
    if (row < InEveryEntry) chosen_[row / 32] |= std::uint32_t{1} << (row % 32);
  }
  // Whether `byte` (folded) alone tells exactly which entries hold it.
  static bool Exact(char byte) { return EntryRowOfByte[static_cast<unsigned char>(byte)] != NoEntryRow; }
  // Called once every byte is in, before the candidates are asked for.
  void Seal();
  // The candidates of word `word` (0 to EntryWords - 1) from entry `from` on.
  std::uint64_t Candidates(int word, int from) const;
  // The first candidate from `from` (0 to LastEntryIndex + 1) on, or -1.
  int First(int from) const;
  // The same, among the entries of the blocks `blocks` leaves.
  int First(int from, const BlockMask& blocks) const;

 private:
  // The rows chosen, a bit each, in 32-bit words: a 64-bit shift by a variable takes a 32-bit
  // processor several instructions.
  std::uint32_t chosen_[MostEntryRows / 32] = {};
  int count_ = 0;
  const std::uint64_t* rows_[MostEntryRows];
};

// The first entry from `from` (0 to LastEntryIndex) on that holds `byte` (folded, one that
// EntrySieve::Exact takes), or -1.
int FirstEntryHoldingByte(char byte, int from);

// A text this short is always worth asking EveryPieceOccurs about: the rows let through blocks
// that hold none of it, most of all when it has a piece that occurs nowhere, which the exact
// sets rule out at once, and asking costs little.
inline constexpr std::size_t ShortText = 5;

// Whether, for a text whose pieces all passed the rows that left `blocks`, asking
// EveryPieceOccurs is worth it: always for a short text; for a longer one only while the rows
// leave more than a few blocks, since reading a few costs less than asking.
inline bool WorthAskingWhichPiecesOccur(std::size_t length, const BlockMask& blocks) {
  return length <= ShortText || blocks.MoreThan(4);
}

// Whether so few bytes are left from entry `start` (0 to LastEntryIndex) to the end of the
// searchable entries that reading them all costs less than consulting the index.
inline constexpr std::uint32_t FewBytes = 512;
inline bool FewBytesFrom(int start) { return EntryOffsets[LastEntryIndex + 1] - EntryOffsets[start] <= FewBytes; }

inline int FirstEntryOfBlock(int block) { return block * BlockSize; }
// One past the last searchable entry of `block`.
inline int EndEntryOfBlock(int block) {
  int end = (block + 1) * BlockSize;
  return end < LastEntryIndex + 1 ? end : LastEntryIndex + 1;
}

}  // namespace tuneledger

#endif
