// The NEON variant of FindFolded: 16 bytes a step. 32-bit ARM assumes no NEON, so this file
// alone is compiled with it (-mfpu=neon) and runs only after choice.cpp has seen the processor
// report it.
#include <arm_neon.h>

#include <cstdint>

#include "search/kernels/lowest_bit.h"
#include "search/kernels/scan_loop.h"

namespace tuneledger {
namespace {

struct NeonLanes {
  static constexpr std::size_t Width = 16;

  static uint8x16_t Broadcast(char byte) { return vdupq_n_u8(static_cast<std::uint8_t>(byte)); }

  static uint8x16_t Equal(const char* at, uint8x16_t bytes) {
    uint8x16_t text = vld1q_u8(reinterpret_cast<const std::uint8_t*>(at));
    return vceqq_u8(vorrq_u8(text, vdupq_n_u8(0x20)), bytes);
  }

  // NEON has no byte mask: narrowing each 16-bit pair of lanes by 4 bits leaves a nibble per
  // lane in one 64-bit word. Only one bit of each nibble is kept (0x10 of an even lane's byte,
  // 0x01 of an odd one's, before the narrowing), so that clearing the lowest bit clears the
  // whole lane. The word is taken as its two 32-bit halves, each a register.
  static std::uint64_t Matches(const char* at_rare, uint8x16_t rare, const char* at_other, uint8x16_t other) {
    const uint8x16_t one_bit = vreinterpretq_u8_u16(vdupq_n_u16(0x0110));
    const uint8x16_t both = vandq_u8(vandq_u8(Equal(at_rare, rare), Equal(at_other, other)), one_bit);
    const uint32x2_t halves = vreinterpret_u32_u8(vshrn_n_u16(vreinterpretq_u16_u8(both), 4));
    return std::uint64_t{vget_lane_u32(halves, 1)} << 32 | vget_lane_u32(halves, 0);
  }

  static std::size_t FirstLane(std::uint64_t matches) {
    return static_cast<std::size_t>(LowestBit(matches)) / 4;
  }
};

}  // namespace

const char* FindFoldedNeon(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<NeonLanes>(begin, end, needle);
}

}  // namespace tuneledger
