#include "interface/code_page.h"

#include "tuneledger.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "search/kernels/lowest_bit.h"
#include "search/kernels/processor.h"

#if defined(TUNELEDGER_NEON_BESIDE)
#include <arm_neon.h>
#endif

#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

#if defined(__ARM_FEATURE_SIMD32)
#include <arm_acle.h>
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

namespace {

bool IsAscii(char16_t unit) { return static_cast<char16_t>(unit - 1) < 0x7F; }  // 1-0x7F

// Copies the characters 1-0x7F at `text` one by one, from the `n`th on, at most `most` in all,
// and returns where they end.
std::size_t AsciiUnits(const char16_t* text, char* out, std::size_t n, std::size_t most) {
  while (n < most && IsAscii(text[n])) {
    out[n] = static_cast<char>(text[n]);
    ++n;
  }
  return n;
}

// A caller's text is read many units at a time, and the read that reaches its terminator may take
// in a few bytes past it, never past the end of its page (TUNELEDGER_READS_WITHIN_PAGES).

#if defined(__i386__) || defined(__x86_64__) || defined(TUNELEDGER_NEON_BESIDE) || defined(__wasm_simd128__)

// How many units from `at` on lie in the page `at` is in.
std::size_t UnitsLeftInPage(const char16_t* at) {
  return (SmallestPage - reinterpret_cast<std::uintptr_t>(at) % SmallestPage) / sizeof(char16_t);
}

// AsciiRun sixteen units a step from the `n`th unit on (the units before it are copied and 1-0x7F),
// for vectors of 16 bytes: `narrow16` copies the sixteen units at a place (32 bytes in one page)
// as bytes and returns how many of them lead as 1-0x7F, 16 when all do. The steps that stay
// within the page the text is in are counted once; where the 32 bytes would reach into the next
// page, and for the last few units of `most`, a unit at a time. Each instruction set's `narrow16`
// narrows with unsigned saturation (0 and above 0x7FFF to 0, above 0xFF to 0xFF): the bytes
// 1-0x7F, signed above 0, stand just where the units are 1-0x7F.
template <typename Narrow16>
[[gnu::always_inline]] inline std::size_t AsciiRunBySixteen(const char16_t* text, char* out, std::size_t most,
                                                            std::size_t n, Narrow16 narrow16) {
  while (n + 16 <= most) {
    // The units left in this page, read sixteen a step without asking again.
    const std::size_t in_page = UnitsLeftInPage(text + n);
    if (in_page < 16) {
      const std::size_t end = AsciiUnits(text, out, n, n + 1);
      if (end == n) return n;
      n = end;
      continue;
    }
    for (const std::size_t stop = std::min(most, n + in_page); n + 16 <= stop; n += 16) {
      const std::size_t ascii = narrow16(text + n, out + n);
      if (ascii != 16) return n + ascii;
    }
  }
  return AsciiUnits(text, out, n, most);
}
#endif

#if defined(__i386__) || defined(__x86_64__)
// (A lambda takes the attributes of the function it is in only where they are said again.)
#if defined(__SSE2__)
#define TUNELEDGER_SSE2_LAMBDA TUNELEDGER_READS_WITHIN_PAGES
#else
#define TUNELEDGER_SSE2_LAMBDA __attribute__((target("sse2"), no_sanitize("address", "thread")))
#endif

TUNELEDGER_SSE2_FUNCTION std::size_t AsciiRunSse2(const char16_t* text, char* out, std::size_t most) {
  return AsciiRunBySixteen(text, out, most, 0, [](const char16_t* units, char* bytes) TUNELEDGER_SSE2_LAMBDA {
    const auto* vectors = reinterpret_cast<const __m128i*>(units);
    const __m128i narrow = _mm_packus_epi16(_mm_loadu_si128(vectors), _mm_loadu_si128(vectors + 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), narrow);
    const auto ascii = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(narrow, _mm_setzero_si128())));
    return ascii == 0xFFFF ? std::size_t{16} : static_cast<std::size_t>(__builtin_ctz(~ascii));
  });
}
#endif

#if defined(TUNELEDGER_NEON_BESIDE)
// Whether any lane of `lanes` is set.
[[gnu::target("fpu=neon"), gnu::always_inline]] inline bool AnySet(uint8x8_t lanes) {
  const uint32x2_t halves = vreinterpret_u32_u8(lanes);
  return (vget_lane_u32(halves, 0) | vget_lane_u32(halves, 1)) != 0;
}

// NEON has no byte mask, and moving a comparison to core registers costs a step as much as the
// narrowing: past the first sixteen units, a step of 32 asks once whether all of them were 1-0x7F,
// and only a step that finds one that isn't is taken again sixteen units at a time, for where the
// run ends (a nibble a unit of one 64-bit mask).
[[gnu::target("fpu=neon")]] TUNELEDGER_READS_WITHIN_PAGES std::size_t AsciiRunNeon(const char16_t* text, char* out,
                                                                            std::size_t most) {
  const auto narrow16 = [](const char16_t* units, char* bytes)
                            __attribute__((target("fpu=neon"), no_sanitize("address", "thread"))) {
    const auto* from = reinterpret_cast<const std::uint8_t*>(units);
    const uint8x16_t narrowed = vcombine_u8(vqmovun_s16(vreinterpretq_s16_u8(vld1q_u8(from))),
                                            vqmovun_s16(vreinterpretq_s16_u8(vld1q_u8(from + 16))));
    vst1q_u8(reinterpret_cast<std::uint8_t*>(bytes), narrowed);
    const uint8x16_t ascii = vcgtq_s8(vreinterpretq_s8_u8(narrowed), vdupq_n_s8(0));
    const std::uint64_t mask = vget_lane_u64(vreinterpret_u64_u8(vshrn_n_u16(vreinterpretq_u16_u8(ascii), 4)), 0);
    return mask == ~std::uint64_t{0} ? std::size_t{16} : static_cast<std::size_t>(LowestBit(~mask)) / 4;
  };
  // Most texts are shorter than sixteen units: the first step is one of sixteen.
  if (most < 16 || UnitsLeftInPage(text) < 16) return AsciiRunBySixteen(text, out, most, 0, narrow16);
  std::size_t n = narrow16(text, out);
  if (n != 16) return n;
  for (;;) {
    // The units left in this page, read 32 a step without asking again.
    const std::size_t stop = std::min(most, n + UnitsLeftInPage(text + n));
    if (n + 32 > stop) break;
    const char16_t* from = text + n;
    auto* to = reinterpret_cast<std::uint8_t*>(out + n);
    for (const char16_t* const last = text + stop - 32; from <= last; from += 32, to += 32) {
      // Each unit's low byte (first, on a little-endian processor) in `val[0]`, its high byte in
      // `val[1]`: the low bytes are the copy, where every high byte is 0 and no low byte is 0 or
      // above 0x7F (their least, signed, is above 0).
      const uint8x16x2_t first = vld2q_u8(reinterpret_cast<const std::uint8_t*>(from));
      const uint8x16x2_t second = vld2q_u8(reinterpret_cast<const std::uint8_t*>(from + 16));
      vst1q_u8(to, first.val[0]);
      vst1q_u8(to + 16, second.val[0]);
      const int8x16_t least = vminq_s8(vreinterpretq_s8_u8(first.val[0]), vreinterpretq_s8_u8(second.val[0]));
      const uint8x16_t wrong = vorrq_u8(vorrq_u8(first.val[1], second.val[1]), vcleq_s8(least, vdupq_n_s8(0)));
      if (AnySet(vorr_u8(vget_low_u8(wrong), vget_high_u8(wrong)))) break;
    }
    n = static_cast<std::size_t>(from - text);
    if (n + 32 <= stop) break;  // a unit in the step is not 1-0x7F
  }
  // The rest, and the step that holds the run's end, sixteen units a step.
  return AsciiRunBySixteen(text, out, most, n, narrow16);
}
#endif

#if defined(__wasm_simd128__)
std::size_t AsciiRunSimd128(const char16_t* text, char* out, std::size_t most) {
  return AsciiRunBySixteen(text, out, most, 0, [](const char16_t* units, char* bytes) TUNELEDGER_READS_WITHIN_PAGES {
    const v128_t narrow = wasm_u8x16_narrow_i16x8(wasm_v128_load(units), wasm_v128_load(units + 8));
    wasm_v128_store(bytes, narrow);
    const auto ascii = static_cast<unsigned>(wasm_i8x16_bitmask(wasm_i8x16_gt(narrow, wasm_i8x16_splat(0))));
    return ascii == 0xFFFF ? std::size_t{16} : static_cast<std::size_t>(__builtin_ctz(~ascii));
  });
}
#endif

#if !defined(__SSE2__) && !defined(__wasm_simd128__)
// Without vectors, machine words: aligned ones, so that none reaches into the next page. A step
// takes four units in one 64-bit word where the processor (or WebAssembly) has 64-bit registers,
// else eight in four 32-bit words; a unit a step up to the first aligned step and after the last
// whole one. `NarrowStep` copies a step's units to `out` as bytes and says whether all of them
// were 1-0x7F (when not, it may have written some bytes all the same).
#if UINTPTR_MAX > 0xFFFFFFFFu || defined(__wasm__)
using StepUnits = std::uint64_t;
constexpr std::size_t StepLength = 4;
bool NarrowStep(std::uint64_t word, char* out) {
  constexpr std::uint64_t ones = 0x0001000100010001u;
  // None is 0x80 or more, and then none is 0 (it borrows, and sets its top bit).
  if ((word & ones * 0xFF80) != 0 || ((word - ones) & ones * 0x8000) != 0) return false;
  const std::uint64_t bytes = word | word >> 8;  // lanes below 0x80: nothing in their high bytes
  const auto four = static_cast<std::uint32_t>((bytes & 0xFFFF) | (bytes >> 16 & 0xFFFF0000u));
  std::memcpy(out, &four, sizeof four);
  return true;
}
#else
struct StepUnits {
  std::uint32_t words[4];  // two units each
};
constexpr std::size_t StepLength = 8;
bool NarrowStep(const StepUnits& step, char* out) {
  const std::uint32_t* w = step.words;
  if (((w[0] | w[1] | w[2] | w[3]) & 0xFF80FF80u) != 0) return false;  // a unit of 0x80 or more
  // Units below 0x80 have nothing in their high bytes, so a word's two low bytes meet in its
  // low half.
  const std::uint32_t first = ((w[0] | w[0] >> 8) & 0xFFFF) | (w[1] | w[1] >> 8) << 16;
  const std::uint32_t second = ((w[2] | w[2] >> 8) & 0xFFFF) | (w[3] | w[3] >> 8) << 16;
  std::memcpy(out, &first, sizeof first);
  std::memcpy(out + 4, &second, sizeof second);
  // Bytes below 0x80 plus 0x7F reach 0x80 where they aren't 0, and carry into no other byte.
  return ((first + 0x7F7F7F7Fu) & (second + 0x7F7F7F7Fu) & 0x80808080u) == 0x80808080u;
}
#endif

TUNELEDGER_READS_WITHIN_PAGES std::size_t AsciiRunWords(const char16_t* text, char* out, std::size_t most) {
  std::size_t n = 0;
  while (n < most && reinterpret_cast<std::uintptr_t>(text + n) % sizeof(StepUnits) != 0 && IsAscii(text[n])) {
    out[n] = static_cast<char>(text[n]);
    ++n;
  }
  if (reinterpret_cast<std::uintptr_t>(text + n) % sizeof(StepUnits) == 0) {
    const char16_t* from = text + n;
    char* to = out + n;
    for (std::size_t steps = (most - n) / StepLength; steps != 0; --steps, from += StepLength, to += StepLength) {
      StepUnits step;
      std::memcpy(&step, from, sizeof step);
      if (!NarrowStep(step, to)) break;
    }
    n = static_cast<std::size_t>(from - text);
  }
  return AsciiUnits(text, out, n, most);
}
#endif

// The run of characters 1-0x7F at `text`, at most `most` of them, each copied to `out` as its
// byte (bytes past the run, up to `most`, may be written too); returns how many. Nearly every
// text a caller passes is one such run. `Vectors`: whether the vectors beside the baseline may
// run.
template <bool Vectors>
[[gnu::always_inline]] inline std::size_t AsciiRun(const char16_t* text, char* out, std::size_t most) {
#if defined(__SSE2__)
  return AsciiRunSse2(text, out, most);
#elif defined(__wasm_simd128__)
  return AsciiRunSimd128(text, out, most);
#elif defined(__i386__)
  if constexpr (Vectors) return AsciiRunSse2(text, out, most);
  return AsciiRunWords(text, out, most);
#elif defined(TUNELEDGER_NEON_BESIDE)
  if constexpr (Vectors) return AsciiRunNeon(text, out, most);
  return AsciiRunWords(text, out, most);
#else
  return AsciiRunWords(text, out, most);
#endif
}

template <bool Vectors>
[[gnu::always_inline]] inline FieldText ToNarrowWith(const char16_t* text, char* field, std::size_t capacity) {
  std::size_t length = 0;
  if (text != nullptr) {
    const std::size_t room = capacity - 1;  // the terminator's byte kept back
    const char16_t* unit = text;
    for (;;) {
      // Characters 1-0x7F, nearly every one a caller passes, in a loop of their own.
      const std::size_t run = AsciiRun<Vectors>(unit, field + length, room - length);
      unit += run;
      length += run;
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

}  // namespace

#if defined(TUNELEDGER_VECTORS_BESIDE)
TUNELEDGER_VECTOR_COPY FieldText ToNarrowVectors(const char16_t* text, char* field, std::size_t capacity) {
  return ToNarrowWith<true>(text, field, capacity);
}
FieldText ToNarrowBaseline(const char16_t* text, char* field, std::size_t capacity) {
  return ToNarrowWith<false>(text, field, capacity);
}
#else
FieldText ToNarrow(const char16_t* text, char* field, std::size_t capacity) { return ToNarrowWith<false>(text, field, capacity); }
#endif

namespace {

#if defined(__i386__) || defined(__x86_64__)
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
// WidenAsOwnValues 32 bytes a step while they last, then sixteen, the last sixteen overlapping
// those before, as the SSE2 loop does: a step of 32 asks once whether any of its bytes is
// 0x80-0x9F (of its bytes less 0x80, the least of each pair is below 0x20).
[[gnu::target("fpu=neon")]] bool WidenAsOwnValuesNeon(const char* text, std::size_t length, char16_t* out) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
  auto* units = reinterpret_cast<std::uint16_t*>(out);
  const uint8x16_t high_controls = vdupq_n_u8(0x80);
  std::size_t i = 0;
  for (; i + 32 <= length; i += 32) {
    const uint8x16_t first = vld1q_u8(bytes + i), second = vld1q_u8(bytes + i + 16);
    const uint8x16_t least = vminq_u8(vsubq_u8(first, high_controls), vsubq_u8(second, high_controls));
    if (AnySet(vclt_u8(vmin_u8(vget_low_u8(least), vget_high_u8(least)), vdup_n_u8(0x20)))) return false;
    // Each byte with a zero byte after it: a unit, on a little-endian processor.
    vst2q_u8(reinterpret_cast<std::uint8_t*>(units + i), uint8x16x2_t{{first, vdupq_n_u8(0)}});
    vst2q_u8(reinterpret_cast<std::uint8_t*>(units + i + 16), uint8x16x2_t{{second, vdupq_n_u8(0)}});
  }
  if (i == length) return true;
  for (;; i += 16) {
    if (i + 16 > length) i = length - 16;
    const uint8x16_t v = vld1q_u8(bytes + i);
    const uint8x16_t controls = vcltq_u8(vsubq_u8(v, high_controls), vdupq_n_u8(0x20));
    if (AnySet(vorr_u8(vget_low_u8(controls), vget_high_u8(controls)))) return false;
    vst2q_u8(reinterpret_cast<std::uint8_t*>(units + i), uint8x16x2_t{{v, vdupq_n_u8(0)}});
    if (i + 16 == length) return true;
  }
}
#endif

#if defined(__wasm_simd128__)
// WidenAsOwnValues sixteen bytes a step, as the SSE2 loop does.
bool WidenAsOwnValuesSimd128(const char* text, std::size_t length, char16_t* out) {
  for (std::size_t i = 0;; i += 16) {
    if (i + 16 > length) i = length - 16;
    const v128_t bytes = wasm_v128_load(text + i);
    const v128_t controls = wasm_u8x16_lt(wasm_i8x16_sub(bytes, wasm_i8x16_splat(-128)), wasm_i8x16_splat(0x20));
    if (wasm_v128_any_true(controls)) return false;
    wasm_v128_store(out + i, wasm_u16x8_extend_low_u8x16(bytes));
    wasm_v128_store(out + i + 8, wasm_u16x8_extend_high_u8x16(bytes));
    if (i + 16 == length) return true;
  }
}
#endif

// WidenAsOwnValues from the `i`th byte on, a byte at a time: a loop the compiler turns into
// vector code where it has vectors (an unsigned flag rather than a bool, and no early exit).
bool WidenAsOwnValuesFrom(const char* text, std::size_t length, char16_t* out, std::size_t i) {
  unsigned high_controls = 0;
  for (; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    out[i] = byte;
    high_controls |= static_cast<unsigned char>(byte - 0x80) < 0x20;
  }
  return high_controls == 0;
}

#if !defined(__SSE2__) && !defined(__ARM_NEON)
#if defined(__ARM_FEATURE_SIMD32)
// ARM's byte arithmetic, which GCC's and clang's intrinsics give signed or unsigned words for.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-conversion"
// Bytes 0 and 2 of `word` in the 16-bit lanes of one word (UXTB16).
std::uint32_t EvenBytes(std::uint32_t word) { return __uxtb16(word); }
// 0xFF in each byte of `word` that lies in 0x80-0x9F, 0 in the others: a byte less 0x80 is 0x20
// or more where the byte isn't one, so that adding 0xE0 carries and sets the byte's GE flag.
std::uint32_t ControlBytes(std::uint32_t word) {
  __uadd8(word ^ 0x80808080u, 0xE0E0E0E0u);
  return __sel(0u, 0xFFFFFFFFu);
}
#pragma GCC diagnostic pop
#endif

// WidenAsOwnValues without vectors the compiler may assume (32-bit ARM, WebAssembly without SIMD,
// 32-bit x86 without SSE2): eight bytes a step, in two 32-bit words, are checked and widened at
// once.
bool WidenAsOwnValuesWords(const char* text, std::size_t length, char16_t* out) {
  // 0x80 in each byte of 0x80-0x9F (or, with ARM's byte arithmetic, 0xFF), and 0 in the others.
  const auto controls = [](std::uint32_t word) {
#if defined(__ARM_FEATURE_SIMD32)
    return ControlBytes(word);
#else
    // Such a byte has 100 for its top three bits, so it is a zero byte of `others`.
    const std::uint32_t others = (word & 0xE0E0E0E0u) ^ 0x80808080u;
    return (others - 0x01010101u) & ~others & 0x80808080u;
#endif
  };
  // Each byte of `word` in a 16-bit lane of its own: the first two in one word, the last two in
  // another (ARM's UXTB16 takes bytes 0 and 2, or 1 and 3, into the lanes of one word).
  const auto widen = [](std::uint32_t word, char16_t* units) {
#if defined(__ARM_FEATURE_SIMD32)
    const std::uint32_t even = EvenBytes(word), odd = EvenBytes(word >> 8 | word << 24);
    const std::uint32_t first = (even & 0xFFFFu) | odd << 16, last = even >> 16 | (odd & 0xFFFF0000u);
#else
    const std::uint32_t first = (word & 0xFFu) | (word & 0xFF00u) << 8;
    const std::uint32_t last = (word >> 16 & 0xFFu) | (word >> 8 & 0xFF0000u);
#endif
    std::memcpy(units, &first, sizeof first);
    std::memcpy(units + 2, &last, sizeof last);
  };
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    std::uint32_t words[2];
    std::memcpy(words, text + i, sizeof words);
    if ((controls(words[0]) | controls(words[1])) != 0) return false;
    widen(words[0], out + i);
    widen(words[1], out + i + 4);
  }
  if (i + 4 <= length) {
    std::uint32_t word;
    std::memcpy(&word, text + i, sizeof word);
    if (controls(word) != 0) return false;
    widen(word, out + i);
    i += 4;
  }
  return WidenAsOwnValuesFrom(text, length, out, i);
}
#endif

// Writes each byte as the character of its own value, which is its character unless it lies in
// 0x80-0x9F; says whether none did (when one did, `out` may be only partly written). `Vectors`:
// whether the vectors beside the baseline may run.
template <bool Vectors>
[[gnu::always_inline]] inline bool WidenAsOwnValues(const char* text, std::size_t length, char16_t* out) {
#if defined(__SSE2__)
  if (length >= 16) return WidenAsOwnValuesSse2(text, length, out);
#elif defined(__i386__)
  if constexpr (Vectors) {
    if (length >= 16) return WidenAsOwnValuesSse2(text, length, out);
  }
#endif
#if defined(TUNELEDGER_NEON_BESIDE)
  if constexpr (Vectors) {
    if (length >= 16) return WidenAsOwnValuesNeon(text, length, out);
  }
#endif
#if defined(__wasm_simd128__)
  if (length >= 16) return WidenAsOwnValuesSimd128(text, length, out);
#endif
#if !defined(__SSE2__) && !defined(__ARM_NEON)
  return WidenAsOwnValuesWords(text, length, out);
#else
  return WidenAsOwnValuesFrom(text, length, out, 0);
#endif
}

template <bool Vectors>
[[gnu::always_inline]] inline char16_t* ToWideWith(const char* text, std::size_t length, char16_t* out) {
  if (!WidenAsOwnValues<Vectors>(text, length, out)) {
    for (std::size_t i = 0; i < length; ++i) out[i] = WideFromByte(static_cast<unsigned char>(text[i]));
  }
  return out + length;
}

}  // namespace

// Every answer passes through here: most entries are plain bytes, widened many at a time, and
// only an entry holding a byte of 0x80-0x9F takes the code page's table, byte by byte.
#if defined(TUNELEDGER_VECTORS_BESIDE)
TUNELEDGER_VECTOR_COPY char16_t* ToWideVectors(const char* text, std::size_t length, char16_t* out) {
  return ToWideWith<true>(text, length, out);
}
char16_t* ToWideBaseline(const char* text, std::size_t length, char16_t* out) { return ToWideWith<false>(text, length, out); }
#else
char16_t* ToWide(const char* text, std::size_t length, char16_t* out) { return ToWideWith<false>(text, length, out); }
#endif

}  // namespace tuneledger
