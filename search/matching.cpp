#include "search/matching.h"

#include <cstdint>
#include <cstring>

#include "search/kernels/processor.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif
#if defined(TUNELEDGER_NEON_BESIDE)
#include <arm_neon.h>
#endif
#if defined(__ARM_FEATURE_SIMD32)
#include <arm_acle.h>
#endif

namespace tuneledger {

namespace {

// Every loop here may fold a byte twice, which changes nothing: a text of 16 bytes or more is
// folded in vectors where there are any, the last step overlapping the ones before; a shorter
// one (nearly every text a caller passes), and every text where there are no vectors, in machine
// words, the last word overlapping the ones before, and only a text of under 4 bytes byte by byte.

// The plain loop, which compilers turn into vector code where they have vectors.
inline void FoldBytes(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) text[i] = FoldByte(text[i]);
}

// 0x20 in each byte of `word` that is 'A' to 'Z', 0 in the others.
#if defined(__ARM_FEATURE_SIMD32)
// ARM's byte arithmetic, which GCC's and clang's intrinsics give signed or unsigned words for:
// USUB8 sets a byte's GE flag where it is at least the other word's byte.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-conversion"
inline std::uint32_t UpperBytes(std::uint32_t word) {
  __usub8(word, 0x41414141u);  // from 'A'
  const std::uint32_t from_a = __sel(0x20202020u, 0u);
  __usub8(word, 0x5B5B5B5Bu);  // past 'Z'
  return __sel(0u, from_a);
}
#pragma GCC diagnostic pop
#else
// Bit 0x80 is set in each byte of `from_a` where its low seven bits reach 'A', and of `past_z`
// where they pass 'Z'. No carry crosses a byte (each sum stays below 0x100), and the word's byte
// order doesn't matter.
template <typename Word>
Word UpperBytes(Word word) {
  constexpr Word Ones = static_cast<Word>(~Word{0}) / 0xFF;
  const Word low = word & Ones * 0x7F;
  const Word from_a = low + Ones * (0x80 - 'A');
  const Word past_z = low + Ones * (0x80 - 'Z' - 1);
  return (from_a & ~past_z & ~word & Ones * 0x80) >> 2;
}
#endif

// Folds the sizeof(Word) bytes at `at`.
template <typename Word>
inline void FoldWordAt(char* at) {
  Word word;
  std::memcpy(&word, at, sizeof word);
  word |= UpperBytes(word);
  std::memcpy(at, &word, sizeof word);
}

// Eight bytes: one 64-bit word where the processor (or WebAssembly) has 64-bit registers, else two
// of 32 bits.
inline void FoldEightAt(char* at) {
#if UINTPTR_MAX > 0xFFFFFFFFu || defined(__wasm__)
  FoldWordAt<std::uint64_t>(at);
#else
  FoldWordAt<std::uint32_t>(at);
  FoldWordAt<std::uint32_t>(at + 4);
#endif
}

// A text of any length in words: eight bytes a step, then the last eight (or four) over again.
TUNELEDGER_APART_FROM_VECTORS void FoldWords(char* text, std::size_t length) {
  if (length >= 8) {
    for (std::size_t i = 0; i + 8 < length; i += 8) FoldEightAt(text + i);
    FoldEightAt(text + length - 8);
  } else if (length >= 4) {
    FoldWordAt<std::uint32_t>(text);
    FoldWordAt<std::uint32_t>(text + length - 4);
  } else {
    FoldBytes(text, length);
  }
}

#if defined(__i386__) || defined(__x86_64__)
// Sixteen bytes a step, for a text of 16 bytes or more. Bytes 'A' to 'Z', less 'A' + 128, are the
// signed bytes below -128 + 26.
TUNELEDGER_SSE2_FUNCTION void FoldBytesSse2(char* text, std::size_t length) {
  const __m128i a = _mm_set1_epi8(static_cast<char>('A' + 128));
  const __m128i below = _mm_set1_epi8(static_cast<char>(-128 + 26));
  const __m128i bit = _mm_set1_epi8(0x20);
  for (std::size_t i = 0;; i += 16) {
    if (i + 16 > length) i = length - 16;
    auto* at = reinterpret_cast<__m128i*>(text + i);
    const __m128i v = _mm_loadu_si128(at);
    const __m128i upper = _mm_cmplt_epi8(_mm_sub_epi8(v, a), below);
    _mm_storeu_si128(at, _mm_or_si128(v, _mm_and_si128(upper, bit)));
    if (i + 16 == length) return;
  }
}
#endif

#if defined(TUNELEDGER_NEON_BESIDE)
// Sixteen bytes at `bytes` folded.
[[gnu::target("fpu=neon"), gnu::always_inline]] inline void FoldSixteen(std::uint8_t* bytes) {
  const uint8x16_t v = vld1q_u8(bytes);
  const uint8x16_t upper = vcltq_u8(vsubq_u8(v, vdupq_n_u8('A')), vdupq_n_u8(26));
  vst1q_u8(bytes, vorrq_u8(v, vandq_u8(upper, vdupq_n_u8(0x20))));
}

// 32 bytes a step while they last, then sixteen, for a text of 16 bytes or more.
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

}  // namespace

void FoldCase(char* text, std::size_t length) {
  if (length >= 16) {
#if defined(__SSE2__)
    return FoldBytesSse2(text, length);
#elif defined(__i386__)
    if (RunsVectors()) return FoldBytesSse2(text, length);
#elif defined(__wasm_simd128__) || defined(__ARM_NEON)
    return FoldBytes(text, length);
#elif defined(TUNELEDGER_NEON_BESIDE)
    if (RunsVectors()) return FoldBytesNeon(text, length);
#endif
  }
  FoldWords(text, length);
}

}  // namespace tuneledger
