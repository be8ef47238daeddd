// The AVX2 variant of FindFolded: 32 bytes a step. This file alone is compiled with AVX2
// enabled; it runs only after choice.cpp has seen that the processor has AVX2.
#include <immintrin.h>

#include "search/kernels/scan_loop.h"

namespace tuneledger {
namespace {

struct Avx2Lanes {
  static constexpr std::size_t Width = 32;

  static __m256i Broadcast(char byte) { return _mm256_set1_epi8(byte); }

  static __m256i Load(const char* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

  static __m256i Equal(const char* at, __m256i bytes) {
    return _mm256_cmpeq_epi8(_mm256_or_si256(Load(at), _mm256_set1_epi8(0x20)), bytes);
  }

  static unsigned Matches(const char* at_rare, __m256i rare, const char* at_other, __m256i other) {
    return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(Equal(at_rare, rare), Equal(at_other, other))));
  }

  static std::size_t FirstLane(unsigned matches) { return static_cast<std::size_t>(__builtin_ctz(matches)); }
};

}  // namespace

const char* FindFoldedAvx2(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<Avx2Lanes>(begin, end, needle);
}

}  // namespace tuneledger
