#include "search/matching.h"

#include <cstdint>
#include <cstring>

#include "search/kernels/processor.h"

#if defined(TUNELEDGER_NEON_BESIDE)
#include <arm_neon.h>
#endif
#if defined(__ARM_FEATURE_SIMD32)
#include <arm_acle.h>
#endif

namespace tuneledger {

namespace {

// The plain loop, which compilers turn into vector code where they have vectors.
inline void FoldBytes(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) text[i] = FoldByte(text[i]);
}

#if defined(__i386__) && !defined(__SSE2__)
// 32-bit x86 assumes no SSE2: the same loop with it, run once the processor has said it has it.
[[gnu::target("sse2")]] void FoldBytesSse2(char* text, std::size_t length) { FoldBytes(text, length); }
#endif

#if defined(TUNELEDGER_NEON_BESIDE)
// Sixteen bytes at `bytes` folded.
[[gnu::target("fpu=neon"), gnu::always_inline]] inline void FoldSixteen(std::uint8_t* bytes) {
  const uint8x16_t v = vld1q_u8(bytes);
  const uint8x16_t upper = vcltq_u8(vsubq_u8(v, vdupq_n_u8('A')), vdupq_n_u8(26));
  vst1q_u8(bytes, vorrq_u8(v, vandq_u8(upper, vdupq_n_u8(0x20))));
}

// 32 bytes a step while they last, then sixteen, the last sixteen overlapping those before
// (folding twice changes nothing), for a text of 16 bytes or more.
[[gnu::target("fpu=neon")]] void FoldBytesNeon(char* text, std::size_t length) {
  auto* bytes = reinterpret_cast<std::uint8_t*>(text);
  std::size_t i = 0;
  for (; i + 32 <= length; i += 32) {
    FoldSixteen(bytes + i);
    FoldSixteen(bytes + i + 16);
  }
  if (i == length) return;
  for (;; i += 16) {
    if (i + 16 > length) i = length - 16;
    FoldSixteen(bytes + i);
    if (i + 16 == length) return;
  }
}
#endif

#if !defined(__SSE2__) && !defined(__ARM_NEON) && !defined(__wasm_simd128__)
#if defined(__ARM_FEATURE_SIMD32)
// ARM's byte arithmetic, which GCC's and clang's intrinsics give signed or unsigned words for.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-conversion"
// 0x20 in each byte of `word` that is 'A' to 'Z', 0 in the others: USUB8 sets a byte's GE flag
// where it is at least the other word's byte.
std::uint32_t UpperBytes(std::uint32_t word) {
  __usub8(word, 0x41414141u);  // from 'A'
  const std::uint32_t from_a = __sel(0x20202020u, 0u);
  __usub8(word, 0x5B5B5B5Bu);  // past 'Z'
  return __sel(0u, from_a);
}
#pragma GCC diagnostic pop

// Eight bytes a step, in two 32-bit words, with ARM's byte arithmetic.
TUNELEDGER_APART_FROM_VECTORS void FoldWords(char* text, std::size_t length) {
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    std::uint32_t words[2];
    std::memcpy(words, text + i, sizeof words);
    words[0] |= UpperBytes(words[0]);
    words[1] |= UpperBytes(words[1]);
    std::memcpy(text + i, words, sizeof words);
  }
  if (i + 4 <= length) {
    std::uint32_t word;
    std::memcpy(&word, text + i, sizeof word);
    word |= UpperBytes(word);
    std::memcpy(text + i, &word, sizeof word);
    i += 4;
  }
  FoldBytes(text + i, length - i);
}
#else
// A machine word at a time, where there are no vectors: in each byte, bit 0x20 is set where the
// byte is 'A' to 'Z'. No carry crosses a byte (each sum stays below 0x100), and the word's byte
// order doesn't matter.
TUNELEDGER_APART_FROM_VECTORS void FoldWords(char* text, std::size_t length) {
  using Word = std::uintptr_t;
  constexpr Word Ones = static_cast<Word>(~Word{0}) / 0xFF;
  std::size_t i = 0;
  for (; i + sizeof(Word) <= length; i += sizeof(Word)) {
    Word word;
    std::memcpy(&word, text + i, sizeof word);
    const Word low = word & Ones * 0x7F;
    const Word from_a = low + Ones * (0x80 - 'A');      // high bit set where low >= 'A'
    const Word past_z = low + Ones * (0x80 - 'Z' - 1);  // high bit set where low > 'Z'
    const Word upper = from_a & ~past_z & ~word & Ones * 0x80;
    word |= upper >> 2;
    std::memcpy(text + i, &word, sizeof word);
  }
  FoldBytes(text + i, length - i);
}
#endif
#endif

}  // namespace

void FoldCase(char* text, std::size_t length) {
#if defined(__SSE2__) || defined(__ARM_NEON) || defined(__wasm_simd128__)
  FoldBytes(text, length);
#else
#if defined(__i386__)
  if (RunsSse2()) return FoldBytesSse2(text, length);
#endif
#if defined(TUNELEDGER_NEON_BESIDE)
  if (length >= 16 && RunsNeon()) return FoldBytesNeon(text, length);
#endif
  FoldWords(text, length);
#endif
}

}  // namespace tuneledger
