#include "interface/code_page.h"

#include "tuneledger.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tuneledger {
namespace {

// The characters of bytes 0x80 to 0x9F, as the public header gives them to hosts.
constexpr char16_t HighControls[32] = TUNELEDGER_WINDOWS_1252_HIGH;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

char16_t WideFromByte(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? HighControls[byte - 0x80] : char16_t{byte};
}

char ByteFromWide(char32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    return static_cast<char>(code_point);
  }
  for (unsigned i = 0; i < 32; ++i) {
    if (HighControls[i] == code_point) return static_cast<char>(0x80 + i);
  }
  return DefaultChar;
}

FieldText ToNarrow(const char16_t* text, char* field, std::size_t capacity) {
  std::size_t length = 0;
  if (text != nullptr) {
    const std::size_t room = capacity - 1;  // the terminator's byte kept back
    const char16_t* unit = text;
    for (;;) {
      // Characters 1-0x7F, nearly every one a caller passes, in a loop of their own.
      while (length < room && static_cast<char16_t>(*unit - 1) < 0x7F) field[length++] = static_cast<char>(*unit++);
      if (*unit == 0) break;
      if (length == room) {
        field[length] = '\0';
        return {field, length, false};
      }
      if (IsHighSurrogate(unit[0]) && IsLowSurrogate(unit[1])) {
        ++unit;  // the pair is one character beyond the code page
        field[length++] = DefaultChar;
      } else {
        field[length++] = ByteFromWide(*unit);
      }
      ++unit;
    }
  }
  field[length] = '\0';
  return {field, length, true};
}

namespace {

// Writes each byte as the character of its own value, which is its character unless it lies in
// 0x80-0x9F; says whether none did (when one did, `out` may be only partly written).
bool WidenAsOwnValues(const char* text, std::size_t length, char16_t* out) {
#if defined(__SSE2__)
  // Sixteen at a time, the last sixteen overlapping those before so that no byte is left over
  // for a loop of one byte at a time. Bytes 0x80-0x9F are, signed, -128 to -97.
  if (length >= 16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i first_above_controls = _mm_set1_epi8(static_cast<char>(-96));
    for (std::size_t i = 0;; i += 16) {
      if (i + 16 > length) i = length - 16;
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
      if (_mm_movemask_epi8(_mm_cmplt_epi8(bytes, first_above_controls)) != 0) return false;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
      if (i + 16 == length) return true;
    }
  }
#endif
  std::size_t i = 0;
#if !defined(__SSE2__) && !defined(__ARM_NEON)
  // No vectors the compiler may assume (32-bit ARM, WebAssembly): four bytes a 32-bit word are
  // checked at once. A byte of 0x80-0x9F has 100 for its top three bits, so it is a zero byte
  // of `controls`.
  for (; i + 4 <= length; i += 4) {
    std::uint32_t word;
    std::memcpy(&word, text + i, sizeof word);
    const std::uint32_t controls = (word & 0xE0E0E0E0u) ^ 0x80808080u;
    if (((controls - 0x01010101u) & ~controls & 0x80808080u) != 0) return false;
    for (std::size_t k = i; k < i + 4; ++k) out[k] = static_cast<unsigned char>(text[k]);
  }
#endif
  // A loop the compiler turns into vector code where it has vectors: an unsigned flag rather
  // than a bool, and no early exit.
  unsigned high_controls = 0;
  for (; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    out[i] = byte;
    high_controls |= static_cast<unsigned char>(byte - 0x80) < 0x20;
  }
  return high_controls == 0;
}

}  // namespace

// Every answer passes through here: most entries are plain bytes, widened many at a time, and
// only an entry holding a byte of 0x80-0x9F takes the code page's table, byte by byte.
char16_t* ToWide(const char* text, std::size_t length, char16_t* out) {
  if (!WidenAsOwnValues(text, length, out)) {
    for (std::size_t i = 0; i < length; ++i) out[i] = WideFromByte(static_cast<unsigned char>(text[i]));
  }
  return out + length;
}

}  // namespace tuneledger
