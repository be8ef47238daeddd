#include "search/index/block_index.h"

#include <cstdint>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

#include "search/kernels/lowest_bit.h"
#include "search/kernels/processor.h"

#if defined(TUNELEDGER_NEON_BESIDE)
#include <arm_neon.h>
#endif

namespace tuneledger {
namespace {

constexpr BlockRow Nowhere = {};

bool PairOccurs(const char* folded) {
  std::uint32_t key = PairKey(folded);
  return (PairsPresent[key / 64] >> (key % 64)) & 1;
}

// The slot of the triple at `folded` in TriplesPresent, or -1 when it occurs nowhere.
int TripleSlotOf(const char* folded) {
  std::uint32_t key = TripleKey(folded);
  for (std::uint32_t slot = TripleSlot(key);; slot = (slot + 1) & (TripleSlots - 1)) {
    if (TriplesPresent[slot] == key) return static_cast<int>(slot);
    if (TriplesPresent[slot] == 0) return -1;
  }
}

bool QuadMayOccur(const char* folded) {
  const std::uint64_t hash = QuadHash(folded);
  const std::uint64_t word = QuadSieve[QuadWord(hash)];
#if UINTPTR_MAX > 0xFFFFFFFFu || defined(__wasm__)
  const std::uint64_t bits = QuadBits(hash);
  return (word & bits) == bits;
#else
  // The bits QuadBits sets, each looked up in its half of the word: a 32-bit processor takes
  // several instructions for a 64-bit shift by a variable.
  const std::uint32_t halves[2] = {static_cast<std::uint32_t>(word), static_cast<std::uint32_t>(word >> 32)};
  const auto probes = static_cast<std::uint32_t>(hash >> 28);
  for (int probe = 0; probe < QuadProbes; ++probe) {
    const std::uint32_t bit = probes >> (6 * probe) & 63;
    if ((halves[bit / 32] >> (bit % 32) & 1) == 0) return false;
  }
  return true;
#endif
}

}  // namespace

bool EveryPieceOccurs(const char* folded, std::size_t length, const std::uint16_t** listed) {
  if (listed != nullptr) *listed = nullptr;
  if (length == 1) return FoldedByteCounts[static_cast<unsigned char>(folded[0])] != 0;
  if (length == 2) return PairOccurs(folded);
  // Every pair and byte of a text lies in one of its triples.
  for (std::size_t i = 0; i + 3 <= length; ++i) {
    const int slot = TripleSlotOf(folded + i);
    if (slot < 0) return false;
    if (listed != nullptr && (TripleBlocksAt[slot] & ListedTriple) != 0) {
      const std::uint16_t* list = TripleLists + (TripleBlocksAt[slot] & ~ListedTriple);
      if (*listed == nullptr || list[0] < (*listed)[0]) *listed = list;
    }
  }
  for (std::size_t i = 0; i + 4 <= length; ++i) {
    if (!QuadMayOccur(folded + i)) return false;
  }
  return true;
}

// Even from one past the last searchable entry, the first block's word is one of the mask's.
static_assert((LastEntryIndex + 1) / BlockSize / 64 < MaskWords);

BlockMask::BlockMask(int first) {
  int first_block = first / BlockSize;
  int first_word = first_block / 64;
  for (int w = 0; w < MaskWords; ++w) words_[w] = w < first_word ? 0 : ~std::uint64_t{0};
  words_[first_word] <<= first_block % 64;
  // No bits for blocks past the last one.
  if (BlockCount % 64 != 0) words_[MaskWords - 1] &= (std::uint64_t{1} << (BlockCount % 64)) - 1;
}

namespace {

// KeepRow: ANDs `row` into the mask's `words` and says whether any bit is left, two words a step
// with vectors (the last alone), asking once at the end: on a 32-bit processor the words alone
// take four instructions each for the AND and two for the question.
static_assert(MaskWords % 2 == 1, "the mask's last word is taken alone");

#if defined(__i386__) || defined(__x86_64__)
TUNELEDGER_SSE2_FUNCTION bool KeepRowSse2(std::uint64_t* words, const std::uint64_t* row) {
  __m128i any = _mm_setzero_si128();
  for (int w = 0; w + 2 <= MaskWords; w += 2) {
    auto* at = reinterpret_cast<__m128i*>(words + w);
    const __m128i kept = _mm_and_si128(_mm_loadu_si128(at), _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + w)));
    _mm_storeu_si128(at, kept);
    any = _mm_or_si128(any, kept);
  }
  auto* last = reinterpret_cast<__m128i*>(words + MaskWords - 1);
  const __m128i kept = _mm_and_si128(_mm_loadl_epi64(last), _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + MaskWords - 1)));
  _mm_storel_epi64(last, kept);
  any = _mm_or_si128(any, kept);
  return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF;
}
#endif

#if defined(TUNELEDGER_NEON_BESIDE)
[[gnu::target("fpu=neon")]] bool KeepRowNeon(std::uint64_t* words, const std::uint64_t* row) {
  uint64x2_t any = vdupq_n_u64(0);
  for (int w = 0; w + 2 <= MaskWords; w += 2) {
    const uint64x2_t kept = vandq_u64(vld1q_u64(words + w), vld1q_u64(row + w));
    vst1q_u64(words + w, kept);
    any = vorrq_u64(any, kept);
  }
  const uint64x1_t kept = vand_u64(vld1_u64(words + MaskWords - 1), vld1_u64(row + MaskWords - 1));
  vst1_u64(words + MaskWords - 1, kept);
  const uint32x2_t halves = vreinterpret_u32_u64(vorr_u64(vorr_u64(vget_low_u64(any), vget_high_u64(any)), kept));
  return (vget_lane_u32(halves, 0) | vget_lane_u32(halves, 1)) != 0;
}
#endif

#if defined(__wasm_simd128__)
bool KeepRowSimd128(std::uint64_t* words, const std::uint64_t* row) {
  v128_t any = wasm_i64x2_splat(0);
  for (int w = 0; w + 2 <= MaskWords; w += 2) {
    const v128_t kept = wasm_v128_and(wasm_v128_load(words + w), wasm_v128_load(row + w));
    wasm_v128_store(words + w, kept);
    any = wasm_v128_or(any, kept);
  }
  words[MaskWords - 1] &= row[MaskWords - 1];
  return wasm_v128_any_true(any) || words[MaskWords - 1] != 0;
}
#endif

#if !defined(__SSE2__) && !defined(__wasm_simd128__)
TUNELEDGER_APART_FROM_VECTORS bool KeepRowWords(std::uint64_t* words, const std::uint64_t* row) {
  std::uint64_t any = 0;
  for (int w = 0; w < MaskWords; ++w) any |= words[w] &= row[w];
  return any != 0;
}
#endif

}  // namespace

bool BlockMask::Keep(const BlockRow& row) {
#if defined(__SSE2__)
  return KeepRowSse2(words_, row);
#elif defined(__wasm_simd128__)
  return KeepRowSimd128(words_, row);
#else
#if defined(__i386__)
  if (RunsVectors()) return KeepRowSse2(words_, row);
#elif defined(TUNELEDGER_NEON_BESIDE)
  if (RunsVectors()) return KeepRowNeon(words_, row);
#endif
  return KeepRowWords(words_, row);
#endif
}

bool BlockMask::KeepListed(const std::uint16_t* listed) {
  BlockRow row = {};
  for (const std::uint16_t* entry = listed + 1; entry <= listed + listed[0]; ++entry) {
    const int block = *entry / BlockSize;
    row[block / 64] |= std::uint64_t{1} << (block % 64);
  }
  return Keep(row);
}

bool BlockMask::KeepBlocksHolding(const char* folded, std::size_t length) {
  if (length == 1) return Keep(ByteBlocks[static_cast<unsigned char>(folded[0])]);
  if (length == 2) return Keep(PairBlocks[PairRow(folded)]);
  for (std::size_t i = 0; i + 3 <= length; ++i) {
    const int slot = TripleSlotOf(folded + i);
    bool left;
    if (slot < 0) {
      left = Keep(Nowhere);  // the triple occurs nowhere
    } else if ((TripleBlocksAt[slot] & ListedTriple) != 0) {
      left = KeepListed(TripleLists + (TripleBlocksAt[slot] & ~ListedTriple));
    } else {
      left = Keep(TripleBlocks[TripleBlocksAt[slot]]);
    }
    if (!left) return false;
  }
  return true;
}

// Without vectors, counted in the word itself: without a population-count instruction in the
// baseline instruction set, the builtin would be a library call per word. A 32-bit processor
// counts each half on its own, in its own registers.
namespace {

#if !defined(__SSE2__)
template <typename Word>
int OnesIn(Word x) {
  constexpr Word Ones = static_cast<Word>(~Word{0}) / 0xFF;  // 0x0101...01
  x -= (x >> 1) & Ones * 0x55;
  x = (x & Ones * 0x33) + ((x >> 2) & Ones * 0x33);
  x = (x + (x >> 4)) & Ones * 0x0F;
  return static_cast<int>(static_cast<Word>(x * Ones) >> (8 * sizeof(Word) - 8));
}

int OnesInWord(std::uint64_t word) {
#if UINTPTR_MAX <= 0xFFFFFFFFu
  return OnesIn(static_cast<std::uint32_t>(word)) + OnesIn(static_cast<std::uint32_t>(word >> 32));
#else
  return OnesIn(word);
#endif
}
#endif

// With vectors, two words a step: each byte's count of ones, added up byte by byte over the
// steps (at most 8 a step, and the mask takes six), and summed once at the end.
#if defined(__i386__) || defined(__x86_64__)
TUNELEDGER_SSE2_FUNCTION int OnesInMaskSse2(const std::uint64_t* words) {
  __m128i counts = _mm_setzero_si128();
  // (Through a reference: a vector passed or returned by value changes the ABI on 32-bit x86.)
  const auto add_ones_in_bytes = [&counts](const __m128i& value) __attribute__((target("sse2"), always_inline)) {
    __m128i x = _mm_sub_epi8(value, _mm_and_si128(_mm_srli_epi16(value, 1), _mm_set1_epi8(0x55)));
    x = _mm_add_epi8(_mm_and_si128(x, _mm_set1_epi8(0x33)), _mm_and_si128(_mm_srli_epi16(x, 2), _mm_set1_epi8(0x33)));
    counts = _mm_add_epi8(counts, _mm_and_si128(_mm_add_epi8(x, _mm_srli_epi16(x, 4)), _mm_set1_epi8(0x0F)));
  };
  add_ones_in_bytes(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(words + MaskWords - 1)));
  for (int w = 0; w + 2 <= MaskWords; w += 2) {
    add_ones_in_bytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(words + w)));
  }
  const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
  return _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
}
#endif

#if defined(TUNELEDGER_NEON_BESIDE)
[[gnu::target("fpu=neon")]] int OnesInMaskNeon(const std::uint64_t* words) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(words);
  uint8x8_t last = vcnt_u8(vld1_u8(bytes + 8 * (MaskWords - 1)));
  uint8x16_t counts = vcombine_u8(last, vdup_n_u8(0));
  for (int w = 0; w + 2 <= MaskWords; w += 2) counts = vaddq_u8(counts, vcntq_u8(vld1q_u8(bytes + 8 * w)));
  const uint64x2_t sums = vpaddlq_u32(vpaddlq_u16(vpaddlq_u8(counts)));
  return static_cast<int>(vgetq_lane_u64(sums, 0) + vgetq_lane_u64(sums, 1));
}
#endif

}  // namespace

int BlockMask::Count() const {
#if defined(__SSE2__)
  return OnesInMaskSse2(words_);
#else
#if defined(__i386__)
  if (RunsVectors()) return OnesInMaskSse2(words_);
#elif defined(TUNELEDGER_NEON_BESIDE)
  if (RunsVectors()) return OnesInMaskNeon(words_);
#endif
  int count = 0;
  for (int w = 0; w < MaskWords; ++w) count += OnesInWord(words_[w]);
  return count;
#endif
}

bool BlockMask::MoreThan(int count) const {
  int seen = 0;
  for (int w = 0; w < MaskWords; ++w) {
    for (std::uint64_t word = words_[w]; word != 0; word &= word - 1) {
      if (++seen > count) return true;
    }
  }
  return false;
}

// The mask has a bit past the last block, never set, so every run ends within it.
static_assert(BlockCount < MaskWords * 64);

int BlockMask::EndOfRun(int block) const {
  for (int w = block / 64;; ++w) {
    std::uint64_t gaps = ~words_[w];
    if (w == block / 64) gaps &= ~std::uint64_t{0} << (block % 64);
    if (gaps != 0) return w * 64 + LowestBit(gaps);
  }
}

static_assert(BlockSize * 4 == 64, "a word of an entry row covers four blocks");

std::uint64_t BlockMask::EntriesLeft(int word) const {
  // Each of the four blocks' bits spread over its 16 entries.
  static constexpr std::uint64_t Spread[16] = {
      0x0000000000000000, 0x000000000000FFFF, 0x00000000FFFF0000, 0x00000000FFFFFFFF,
      0x0000FFFF00000000, 0x0000FFFF0000FFFF, 0x0000FFFFFFFF0000, 0x0000FFFFFFFFFFFF,
      0xFFFF000000000000, 0xFFFF00000000FFFF, 0xFFFF0000FFFF0000, 0xFFFF0000FFFFFFFF,
      0xFFFFFFFF00000000, 0xFFFFFFFF0000FFFF, 0xFFFFFFFFFFFF0000, 0xFFFFFFFFFFFFFFFF};
  return Spread[(words_[word / 16] >> (word % 16 * 4)) & 0xF];
}

void EntrySieve::Seal() {
  count_ = 0;
  for (int word = 0; word < MostEntryRows / 32; ++word) {
    for (std::uint32_t rows = chosen_[word]; rows != 0; rows &= rows - 1) {
      rows_[count_++] = EntryRows[word * 32 + LowestBit(rows)];
    }
  }
}

std::uint64_t EntrySieve::Candidates(int word, int from) const {
  // No bits past the last searchable entry, even when no row is chosen.
  constexpr int LastBits = (LastEntryIndex + 1) % 64;
  std::uint64_t bits = word == EntryWords - 1 && LastBits != 0 ? (std::uint64_t{1} << LastBits) - 1 : ~std::uint64_t{0};
  if (word == from / 64) bits &= ~std::uint64_t{0} << (from % 64);
  for (int r = 0; r < count_; ++r) bits &= rows_[r][word];
  return bits;
}

int EntrySieve::First(int from) const {
  if (count_ == 0) return from <= LastEntryIndex ? from : -1;
  for (int word = from / 64; word < EntryWords; ++word) {
    if (std::uint64_t bits = Candidates(word, from)) return word * 64 + LowestBit(bits);
  }
  return -1;
}

namespace {

// A row is read a machine word at a time: a 32-bit processor takes each 64-bit word as its two
// halves, the low one first (every 32-bit build is little-endian), since a 64-bit shift by a
// variable, and a 64-bit count of trailing zeros, take it several instructions.
#if UINTPTR_MAX > 0xFFFFFFFFu || defined(__wasm__)
using RowPiece = std::uint64_t;
#else
using RowPiece = std::uint32_t;
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "a 64-bit word's low half comes first");
#endif
constexpr int PieceBits = 8 * sizeof(RowPiece);

}  // namespace

int FirstEntryHoldingByte(char byte, int from) {
  const unsigned row = EntryRowOfByte[static_cast<unsigned char>(byte)];
  if (row == InEveryEntry) return from;
  const auto* entries = reinterpret_cast<const unsigned char*>(EntryRows[row]);
  const auto piece_at = [entries](int piece) {
    RowPiece bits;
    std::memcpy(&bits, entries + static_cast<std::size_t>(piece) * sizeof bits, sizeof bits);
    return bits;
  };
  RowPiece bits = piece_at(from / PieceBits) & ~RowPiece{0} << (from % PieceBits);
  for (int piece = from / PieceBits;;) {
    if (bits != 0) return piece * PieceBits + LowestBit(bits);
    if (++piece == EntryWords * 64 / PieceBits) return -1;
    bits = piece_at(piece);
  }
}

int EntrySieve::First(int from, const BlockMask& blocks) const {
  for (int word = from / 64; word < EntryWords;) {
    const std::uint64_t left = blocks.EntriesLeft(word);
    if (left == 0) {
      // On to the word of the next block left.
      const int block = blocks.NextBlock((word + 1) * 64 / BlockSize);
      if (block == BlockCount) return -1;
      word = block * BlockSize / 64;
      continue;
    }
    if (const std::uint64_t bits = left & Candidates(word, from)) return word * 64 + LowestBit(bits);
    ++word;
  }
  return -1;
}

}  // namespace tuneledger
