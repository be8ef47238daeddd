// The SSE2 variant of FindFolded: 16 bytes a step. SSE2 is part of every x86-64 processor; a
// 32-bit x86 build compiles this file alone with SSE2 enabled, and runs it only after
// choice.cpp has seen that the processor has SSE2.
#include <emmintrin.h>

#include "search/kernels/scan_loop.h"

namespace tuneledger {
namespace {

struct Sse2Lanes {
  static constexpr std::size_t Width = 16;

  static __m128i Broadcast(char byte) { return _mm_set1_epi8(byte); }

  static __m128i Equal(const char* at, __m128i bytes) {
    __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return _mm_cmpeq_epi8(_mm_or_si128(text, _mm_set1_epi8(0x20)), bytes);
  }

  static unsigned Matches(const char* at_rare, __m128i rare, const char* at_other, __m128i other) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(Equal(at_rare, rare), Equal(at_other, other))));
  }

  static std::size_t FirstLane(unsigned matches) { return static_cast<std::size_t>(__builtin_ctz(matches)); }
};

}  // namespace

const char* FindFoldedSse2(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<Sse2Lanes>(begin, end, needle);
}

}  // namespace tuneledger
