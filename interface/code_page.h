// Conversion between the caller's UTF-16 and the table's 8-bit text, through Windows-1252.
//
// Every byte has a character: 0x00-0x7F and 0xA0-0xFF stand for the code points of the same
// value, 0x80-0x9F for the Windows-1252 characters (0x80 is U+20AC), and the five bytes that
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) for U+0081, U+008D, U+008F, U+0090
// and U+009D. So any byte survives WideFromByte and then ByteFromWide unchanged.
#ifndef TUNELEDGER_INTERFACE_CODE_PAGE_H
#define TUNELEDGER_INTERFACE_CODE_PAGE_H

#include <cstddef>

#include "search/kernels/processor.h"

namespace tuneledger {

// The character the code page shows a character it can't hold as. There is no best-fit:
// U+0100 becomes '?', not 'A'.
inline constexpr char DefaultChar = '?';

char16_t WideFromByte(unsigned char byte);
// The byte for a code point, or DefaultChar when the code page has none.
char ByteFromWide(char32_t code_point);

// 8-bit text in a per-call field, NUL-terminated. `fits` is false when the text needed more
// room than the field has; then bytes and length hold only the part that fitted.
struct FieldText {
  char* bytes;
  std::size_t length;
  bool fits;
};

// Converts the NUL-terminated UTF-16 `text` into `field` (capacity bytes), one byte per
// character: a surrogate pair is one character, a lone surrogate becomes one DefaultChar. A null
// text is the empty text. Reads `text` only until it is clear whether it fits: up to the first
// unit past the field's room, or to the terminator, many units a step, so that the read that
// reaches the terminator may take in a few bytes after it, never past the end of its page.
//
// Writes `length` bytes of `text` as UTF-16 at `out`, which has room for them, and returns the
// end. Adds no terminator.
//
// Where vectors run beside the baseline, each is built twice, and the caller chooses the copy:
// a function of its own that only chose would cost a call more than the choice.
#if defined(TUNELEDGER_VECTORS_BESIDE)
FieldText ToNarrowVectors(const char16_t* text, char* field, std::size_t capacity);
FieldText ToNarrowBaseline(const char16_t* text, char* field, std::size_t capacity);
inline FieldText ToNarrow(const char16_t* text, char* field, std::size_t capacity) {
  return RunsVectors() ? ToNarrowVectors(text, field, capacity) : ToNarrowBaseline(text, field, capacity);
}
char16_t* ToWideVectors(const char* text, std::size_t length, char16_t* out);
char16_t* ToWideBaseline(const char* text, std::size_t length, char16_t* out);
inline char16_t* ToWide(const char* text, std::size_t length, char16_t* out) {
  return RunsVectors() ? ToWideVectors(text, length, out) : ToWideBaseline(text, length, out);
}
#else
FieldText ToNarrow(const char16_t* text, char* field, std::size_t capacity);
char16_t* ToWide(const char* text, std::size_t length, char16_t* out);
#endif

}  // namespace tuneledger

#endif
