// Which scan kernel the module runs, for tuneledger.mjs to give as `kernel`: "simd128" in the
// module built with WebAssembly SIMD (tuneledger-simd128.wasm), "portable" in the one every
// engine runs (tuneledger.wasm).
#include <cstddef>

#include "search/kernels/find_folded.h"

extern "C" __attribute__((export_name("TuneLedgerKernel"))) const char* TuneLedgerKernel() {
  std::size_t count = 0;
  const tuneledger::FindFoldedVariant* variants = tuneledger::FindFoldedVariants(&count);
  const tuneledger::FindFoldedFunction active = tuneledger::ActiveFindFolded();
  for (std::size_t v = 0; v < count; ++v) {
    if (variants[v].find == active) return variants[v].name;
  }
  return "";
}
