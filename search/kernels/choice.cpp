// Which variants of FindFolded this build has, which of them this processor runs, and the one
// the searches use: the last the processor runs, the fastest.
#include <atomic>

#include "search/kernels/find_folded.h"
#include "search/kernels/processor.h"
#include "search/kernels/scan_loop.h"

namespace tuneledger {
namespace {

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

}  // namespace

// Every thread that finds this empty picks the same variant, so a race only repeats the choice.
std::atomic<FindFoldedFunction> ActiveVariant{nullptr};

const FindFoldedVariant* FindFoldedVariants(std::size_t* count) {
  *count = VariantsThisProcessorRuns();
  return AllVariants;
}

FindFoldedFunction ChooseFindFolded() {
  const FindFoldedFunction find = AllVariants[VariantsThisProcessorRuns() - 1].find;
  ActiveVariant.store(find, std::memory_order_relaxed);
  return find;
}

void UseFindFolded(FindFoldedFunction find) { ActiveVariant.store(find, std::memory_order_relaxed); }

#if defined(TUNELEDGER_VECTORS_BESIDE)
int vectors_at_load = 0;

namespace {

[[gnu::constructor]] void AskAtLoad() {
#if defined(__i386__)
  const bool vectors = RunsSse2();
#else
  const bool vectors = RunsNeon();
#endif
  __atomic_store_n(&vectors_at_load, vectors ? 1 : 0, __ATOMIC_RELAXED);
}

}  // namespace
#endif

}  // namespace tuneledger
