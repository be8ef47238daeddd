#include "search/matching.h"

#include <cstdint>
#include <cstring>

namespace tuneledger {

// A machine word at a time: in each byte, bit 0x20 is set where the byte is 'A' to 'Z'. No
// carry crosses a byte (each sum stays below 0x100), and the word's byte order doesn't matter.
void FoldCase(char* text, std::size_t length) {
  using Word = std::uintptr_t;
  constexpr Word Ones = static_cast<Word>(~Word{0}) / 0xFF;
  std::size_t i = 0;
  for (; i + sizeof(Word) <= length; i += sizeof(Word)) {
    Word word;
    std::memcpy(&word, text + i, sizeof word);
    const Word low = word & Ones * 0x7F;
    const Word from_a = low + Ones * (0x80 - 'A');      // high bit set where low >= 'A'
    const Word past_z = low + Ones * (0x80 - 'Z' - 1);  // high bit set where low > 'Z'
    const Word upper = from_a & ~past_z & ~word & Ones * 0x80;
    word |= upper >> 2;
    std::memcpy(text + i, &word, sizeof word);
  }
  for (; i < length; ++i) text[i] = FoldByte(text[i]);
}

}  // namespace tuneledger
