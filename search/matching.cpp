#include "matching.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "chart_table.h"
#include "scan_kernels.h"

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace tuneledger {
namespace {

// Eight bytes in a 64-bit word: every platform has these.
struct WordLanes {
  static constexpr std::size_t Width = 8;
  static constexpr std::uint64_t Ones = 0x0101010101010101u;
  static constexpr std::uint64_t Low7 = 0x7F7F7F7F7F7F7F7Fu;

  static std::uint64_t Broadcast(char byte) { return Ones * static_cast<unsigned char>(byte); }

  // Byte i of the text in bits 8i to 8i+7, whatever the platform's byte order.
  static std::uint64_t Load(const char* p) {
    unsigned char bytes[8];
    std::memcpy(bytes, p, 8);
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) word = word << 8 | bytes[i];
    return word;
  }

  // The high bit of every byte that is zero in `word`, and of no other byte.
  static std::uint64_t ZeroBytes(std::uint64_t word) { return ~(((word & Low7) + Low7) | word | Low7); }

  static std::uint64_t Equal(const char* at, std::uint64_t bytes) {
    return ZeroBytes((Load(at) | Ones * 0x20) ^ bytes);
  }

  static std::uint64_t Matches(const char* at_rare, std::uint64_t rare, const char* at_other, std::uint64_t other) {
    return Equal(at_rare, rare) & Equal(at_other, other);
  }

  static std::size_t FirstLane(std::uint64_t matches) {
    return static_cast<std::size_t>(__builtin_ctzll(matches)) / 8;
  }
};

const char* FindFoldedWords(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<WordLanes>(begin, end, needle);
}

#if defined(__x86_64__)

// SSE2 is part of every x86-64 processor.
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

const char* FindFoldedSse2(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<Sse2Lanes>(begin, end, needle);
}

#endif

#if defined(TUNELEDGER_AVX2_VARIANT)
// Asks the processor at run time; the check also makes sure the system saves the wide registers.
bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

// Constant data, so that listing the variants needs no guarded static: the AVX2 one, last, is
// counted only where the processor runs it.
constexpr FindFoldedVariant AllVariants[] = {
    {"portable", FindFoldedWords},
#if defined(__x86_64__)
    {"sse2", FindFoldedSse2},
#endif
#if defined(TUNELEDGER_AVX2_VARIANT)
    {"avx2", FindFoldedAvx2},
#endif
};

std::size_t VariantsThisProcessorRuns() {
  std::size_t count = sizeof AllVariants / sizeof AllVariants[0];
#if defined(TUNELEDGER_AVX2_VARIANT)
  if (!HasAvx2()) --count;
#endif
  return count;
}

// Every thread that finds this empty picks the same variant, so a race only repeats the choice.
std::atomic<FindFoldedFunction> Active{nullptr};

std::uint32_t Count(char byte) { return QuickTestCounts[static_cast<unsigned char>(byte)]; }

}  // namespace

Needle MakeNeedle(const char* folded, std::size_t length) {
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
  return {folded, length, rare, other};
}

void FoldCase(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) text[i] = FoldByte(text[i]);
}

const FindFoldedVariant* FindFoldedVariants(std::size_t* count) {
  *count = VariantsThisProcessorRuns();
  return AllVariants;
}

FindFoldedFunction ActiveFindFolded() {
  FindFoldedFunction find = Active.load(std::memory_order_relaxed);
  if (find == nullptr) {
    find = AllVariants[VariantsThisProcessorRuns() - 1].find;
    Active.store(find, std::memory_order_relaxed);
  }
  return find;
}

void UseFindFolded(FindFoldedFunction find) { Active.store(find, std::memory_order_relaxed); }

}  // namespace tuneledger
