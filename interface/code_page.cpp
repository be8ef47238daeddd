#include "interface/code_page.h"

#include "tuneledger.h"

#include <cstdint>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "search/kernels/processor.h"

#if defined(TUNELEDGER_NEON_BESIDE)
#include <arm_neon.h>
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

#if defined(__i386__) || defined(__x86_64__)
// 32-bit x86 assumes no SSE2: there this is compiled for it and runs only once the processor has
// said it has it. (Where SSE2 is assumed, no attribute, so that it inlines.)
#if defined(__SSE2__)
#define TUNELEDGER_SSE2_FUNCTION inline
#else
#define TUNELEDGER_SSE2_FUNCTION [[gnu::target("sse2")]]
#endif

// WidenAsOwnValues sixteen bytes at a time, for a text of 16 bytes or more: the last sixteen
// overlap those before, so that no byte is left over for a loop of one byte at a time. Bytes
// 0x80-0x9F are, signed, -128 to -97.
TUNELEDGER_SSE2_FUNCTION bool WidenAsOwnValuesSse2(const char* text, std::size_t length, char16_t* out) {
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

#if defined(TUNELEDGER_NEON_BESIDE)
// WidenAsOwnValues sixteen bytes a step, as the SSE2 loop does.
[[gnu::target("fpu=neon")]] bool WidenAsOwnValuesNeon(const char* text, std::size_t length, char16_t* out) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
  auto* units = reinterpret_cast<std::uint16_t*>(out);
  for (std::size_t i = 0;; i += 16) {
    if (i + 16 > length) i = length - 16;
    const uint8x16_t v = vld1q_u8(bytes + i);
    const uint8x16_t controls = vcltq_u8(vsubq_u8(v, vdupq_n_u8(0x80)), vdupq_n_u8(0x20));
    const uint64x2_t any = vreinterpretq_u64_u8(controls);
    if ((vgetq_lane_u64(any, 0) | vgetq_lane_u64(any, 1)) != 0) return false;
    vst1q_u16(units + i, vmovl_u8(vget_low_u8(v)));
    vst1q_u16(units + i + 8, vmovl_u8(vget_high_u8(v)));
    if (i + 16 == length) return true;
  }
}
#endif

// Writes each byte as the character of its own value, which is its character unless it lies in
// 0x80-0x9F; says whether none did (when one did, `out` may be only partly written).
bool WidenAsOwnValues(const char* text, std::size_t length, char16_t* out) {
#if defined(__SSE2__)
  if (length >= 16) return WidenAsOwnValuesSse2(text, length, out);
#elif defined(__i386__)
  if (length >= 16 && RunsSse2()) return WidenAsOwnValuesSse2(text, length, out);
#endif
#if defined(TUNELEDGER_NEON_BESIDE)
  if (length >= 16 && RunsNeon()) return WidenAsOwnValuesNeon(text, length, out);
#endif
  std::size_t i = 0;
#if !defined(__SSE2__) && !defined(__ARM_NEON)
  // No vectors the compiler may assume (32-bit ARM, WebAssembly, 32-bit x86 without SSE2): four
  // bytes a 32-bit word are checked at once. A byte of 0x80-0x9F has 100 for its top three bits,
  // so it is a zero byte of `controls`.
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
