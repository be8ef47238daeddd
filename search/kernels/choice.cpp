// Which variants of FindFolded this build has, which of them this processor runs, and the one
// the searches use: the last the processor runs, the fastest.
#include <atomic>

#include "search/kernels/find_folded.h"
#include "search/kernels/scan_loop.h"

namespace tuneledger {
namespace {

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
#if defined(TUNELEDGER_SSE2_VARIANT)
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
