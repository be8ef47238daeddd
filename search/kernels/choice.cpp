// Which variants of FindFolded this build has, which of them this processor runs, and the one
// the searches use: the last the processor runs, the fastest.
#include <atomic>

#if defined(TUNELEDGER_NEON_VARIANT) && !defined(__ARM_NEON) && defined(__linux__)
#include <asm/hwcap.h>
#include <sys/auxv.h>
#endif

#include "search/kernels/find_folded.h"
#include "search/kernels/scan_loop.h"

namespace tuneledger {
namespace {

// Asked at run time where the instruction set is no part of what the build may assume: SSE2 on
// 32-bit x86, AVX2 everywhere, NEON on 32-bit ARM (Linux tells it in the auxiliary vector). GCC's runtime (libgcc, mingw's as well) counts AVX2 only where
// the processor reports OSXSAVE and XGETBV shows the system saves the SSE and AVX registers.
#if defined(TUNELEDGER_SSE2_VARIANT)
bool RunsSse2() {
#if defined(__SSE2__)
  return true;  // x86-64, or a 32-bit build that assumes SSE2 throughout
#else
  __builtin_cpu_init();
  return __builtin_cpu_supports("sse2");
#endif
}
#endif

#if defined(TUNELEDGER_AVX2_VARIANT)
bool RunsAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

#if defined(TUNELEDGER_NEON_VARIANT)
bool RunsNeon() {
#if defined(__ARM_NEON)
  return true;  // a build that assumes NEON throughout
#elif defined(__linux__)
  return (getauxval(AT_HWCAP) & HWCAP_NEON) != 0;
#else
  return false;
#endif
}
#endif

// Constant data, so that listing the variants needs no guarded static. Each variant needs what
// the one before it needs, and more (every AVX2 processor has SSE2), so those this processor
// runs are the first few of the list.
constexpr FindFoldedVariant AllVariants[] = {
    {"portable", FindFoldedWords},
#if defined(TUNELEDGER_WORD32_VARIANT)
    {"word32", FindFoldedWords32},
#endif
#if defined(TUNELEDGER_NEON_VARIANT)
    {"neon", FindFoldedNeon},
#endif
#if defined(TUNELEDGER_SSE2_VARIANT)
    {"sse2", FindFoldedSse2},
#endif
#if defined(TUNELEDGER_AVX2_VARIANT)
    {"avx2", FindFoldedAvx2},
#endif
#if defined(TUNELEDGER_SIMD128_VARIANT)
    // WebAssembly has no run-time test: an engine without SIMD refuses the whole module, and
    // the module's loader gives it the build without this variant instead.
    {"simd128", FindFoldedSimd128},
#endif
};

std::size_t VariantsThisProcessorRuns() {
  std::size_t count = 1;
#if defined(TUNELEDGER_WORD32_VARIANT)
  ++count;
#endif
#if defined(TUNELEDGER_NEON_VARIANT)
  if (!RunsNeon()) return count;
  ++count;
#endif
#if defined(TUNELEDGER_SSE2_VARIANT)
  if (!RunsSse2()) return count;
  ++count;
#endif
#if defined(TUNELEDGER_AVX2_VARIANT)
  if (!RunsAvx2()) return count;
  ++count;
#endif
#if defined(TUNELEDGER_SIMD128_VARIANT)
  ++count;
#endif
  return count;
}

// Every thread that finds this empty picks the same variant, so a race only repeats the choice.
std::atomic<FindFoldedFunction> Active{nullptr};

}  // namespace

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
