// The portable variant of FindFolded: eight bytes in a 64-bit word, on every processor.
#include <cstdint>
#include <cstring>

#include "search/kernels/scan_loop.h"

namespace tuneledger {
namespace {

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

}  // namespace

const char* FindFoldedWords(const char* begin, const char* end, const Needle& needle) {
  return FindByRareBytes<WordLanes>(begin, end, needle);
}

}  // namespace tuneledger
