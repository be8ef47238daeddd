// The lowest set bit of a 64-bit mask, which the searches and the frame ask for in many loops.
#ifndef TUNELEDGER_SEARCH_KERNELS_LOWEST_BIT_H
#define TUNELEDGER_SEARCH_KERNELS_LOWEST_BIT_H

#include <cstdint>

namespace tuneledger {

// The place of the lowest set bit of `mask`, which is not 0. On a 32-bit processor GCC counts a
// 64-bit word with a library call: there, the count of the half that holds the bit. (`static`,
// as with FoldByte: each kernel's file compiles its own copy.)
#if UINTPTR_MAX > 0xFFFFFFFFu || defined(__wasm__)
static inline int LowestBit(std::uint64_t mask) { return __builtin_ctzll(mask); }
#else
static inline int LowestBit(std::uint64_t mask) {
  const auto low = static_cast<std::uint32_t>(mask);
  return low != 0 ? __builtin_ctz(low) : 32 + __builtin_ctz(static_cast<std::uint32_t>(mask >> 32));
}
#endif

// The same for a 32-bit mask, which is not 0.
static inline int LowestBit(std::uint32_t mask) { return __builtin_ctz(mask); }

}  // namespace tuneledger

#endif
