// The lanes of the word kernels: the bytes of one integer word, compared with carry-free
// arithmetic (no vector unit). Included by portable.cpp (a 64-bit word) and word32.cpp (a 32-bit
// word, for 32-bit processors, where a 64-bit word costs two registers and twice the
// instructions); like every lanes type it lives in its file's unnamed namespace.
#ifndef TUNELEDGER_SEARCH_KERNELS_WORD_LANES_H
#define TUNELEDGER_SEARCH_KERNELS_WORD_LANES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "search/kernels/lowest_bit.h"

namespace tuneledger {
namespace {

template <typename Word>
struct WordLanes {
  static constexpr std::size_t Width = sizeof(Word);
  static constexpr Word Ones = static_cast<Word>(~Word{0}) / 0xFF;  // 0x0101...01
  static constexpr Word Low7 = Ones * 0x7F;

  static Word Broadcast(char byte) { return Ones * static_cast<unsigned char>(byte); }

  // Byte i of the text in bits 8i to 8i+7, whatever the platform's byte order.
  static Word Load(const char* p) {
    unsigned char bytes[Width];
    std::memcpy(bytes, p, Width);
    Word word = 0;
    for (std::size_t i = Width; i-- > 0;) word = static_cast<Word>(word << 8 | bytes[i]);
    return word;
  }

  // The high bit of every byte that is zero in `word`, and perhaps of a byte after one that is
  // (a borrow runs on into it): three operations where an exact mask takes five. The scan loop
  // compares every position the mask keeps, so one kept too many costs a comparison, never an
  // answer; and one kept past a true zero byte stands after it, so it is never compared first.
  static Word ZeroBytes(Word word) { return static_cast<Word>((word - Ones) & ~word & Ones * 0x80); }

  // The lanes where the text at `at`, with bit 0x20 set, differs from `bytes`.
  static Word Differ(const char* at, Word bytes) { return (Load(at) | Ones * 0x20) ^ bytes; }

  // Where both bytes stand: a lane is zero in both differences just where it is zero in their
  // OR, so one zero test serves the two.
  static Word Matches(const char* at_rare, Word rare, const char* at_other, Word other) {
    return ZeroBytes(Differ(at_rare, rare) | Differ(at_other, other));
  }

  static std::size_t FirstLane(Word matches) { return static_cast<std::size_t>(LowestBit(matches)) / 8; }
};

}  // namespace
}  // namespace tuneledger

#endif
