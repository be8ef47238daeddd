// The NEON variant of FindFolded: 32 bytes a step, in two vectors. 32-bit ARM assumes no NEON, so this file
// alone is compiled with it (-mfpu=neon) and runs only after choice.cpp has seen the processor
// report it.
#include <arm_neon.h>

#include <cstdint>

#include "search/kernels/scan_loop.h"

namespace tuneledger {
namespace {

struct NeonLanes {
  static constexpr std::size_t Width = 32;

  static uint8x16_t Broadcast(char byte) { return vdupq_n_u8(static_cast<std::uint8_t>(byte)); }

  static uint8x16_t Equal(const char* at, uint8x16_t bytes) {
    uint8x16_t text = vld1q_u8(reinterpret_cast<const std::uint8_t*>(at));
    return vceqq_u8(vorrq_u8(text, vdupq_n_u8(0x20)), bytes);
  }

  // NEON has no byte mask: each lane keeps its own bit of a byte (1, 2, 4 ... 128 across each
  // eight lanes), and three pairwise additions gather the 32 lanes' bits in one 32-bit word.
  // Moving a mask to a core register costs about as much as finding the matches, so a step
  // takes 32 places, two vectors, where the other kernels of 16 bytes take one.
  static std::uint32_t Matches(const char* at_rare, uint8x16_t rare, const char* at_other, uint8x16_t other) {
    const uint8x16_t bits = vreinterpretq_u8_u64(vdupq_n_u64(0x8040201008040201u));
    const uint8x16_t low = vandq_u8(vandq_u8(Equal(at_rare, rare), Equal(at_other, other)), bits);
    const uint8x16_t high = vandq_u8(vandq_u8(Equal(at_rare + 16, rare), Equal(at_other + 16, other)), bits);
    const uint8x8_t sums = vpadd_u8(vpadd_u8(vget_low_u8(low), vget_high_u8(low)),
                                    vpadd_u8(vget_low_u8(high), vget_high_u8(high)));
    return vget_lane_u32(vreinterpret_u32_u8(vpadd_u8(sums, sums)), 0);
  }

  static std::size_t FirstLane(std::uint32_t matches) { return static_cast<std::size_t>(__builtin_ctz(matches)); }
};

}  // namespace

const char* FindFoldedNeon(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<NeonLanes>(begin, end, needle);
}

}  // namespace tuneledger
