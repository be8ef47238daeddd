// The WebAssembly SIMD variant of FindFolded: 16 bytes a step. This file alone is compiled with
// SIMD enabled (-msimd128), into the module the loader gives engines that validate it.
#include <wasm_simd128.h>

#include "search/kernels/scan_loop.h"

namespace tuneledger {
namespace {

struct Simd128Lanes {
  static constexpr std::size_t Width = 16;

  static v128_t Broadcast(char byte) { return wasm_i8x16_splat(byte); }

  static v128_t Equal(const char* at, v128_t bytes) {
    return wasm_i8x16_eq(wasm_v128_or(wasm_v128_load(at), wasm_i8x16_splat(0x20)), bytes);
  }

  static unsigned Matches(const char* at_rare, v128_t rare, const char* at_other, v128_t other) {
    return static_cast<unsigned>(wasm_i8x16_bitmask(wasm_v128_and(Equal(at_rare, rare), Equal(at_other, other))));
  }

  static std::size_t FirstLane(unsigned matches) { return static_cast<std::size_t>(__builtin_ctz(matches)); }
};

}  // namespace

const char* FindFoldedSimd128(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<Simd128Lanes>(begin, end, needle);
}

}  // namespace tuneledger
