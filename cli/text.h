// Text conversion for the command line: a terminal's UTF-8, the library's UTF-16, and the
// Windows-1252 code page in which the library reads every stored byte.
//
// The command line uses no C++ runtime (no std::string, no exceptions, no operator new), so
// these work on caller-supplied buffers whose sizes the comments state.
#ifndef TUNELEDGER_CLI_TEXT_H
#define TUNELEDGER_CLI_TEXT_H

#include <cstddef>
#include <cstdint>

namespace cli {

using Byte = unsigned char;

// ---- The code page ----
// The library's character for a stored byte: the same code point for 0x00-0x7F and 0xA0-0xFF,
// the Windows-1252 character for 0x80-0x9F (0x80 is U+20AC); the five bytes Windows-1252 leaves
// undefined stand for U+0081, U+008D, U+008F, U+0090 and U+009D, as in the library.
char16_t WideFromByte(Byte byte);
// The byte the library keeps for a character, or -1 when the code page has none (it keeps '?').
int ByteFromWide(char32_t code_point);

// ---- UTF-8 ----
// Worst-case growth of the display forms below: a byte shows as at most 3 bytes of UTF-8.
constexpr std::size_t MaxDisplayGrowth = 3;

// The length (1-4) of the well-formed UTF-8 sequence at the start of bytes[0, size), storing its
// code point; 0 when none starts there. Overlong forms, surrogates and code points above
// U+10FFFF are ill-formed.
std::size_t DecodeUtf8(const Byte* bytes, std::size_t size, char32_t* code_point);
// Writes code_point as UTF-8 at out (room for 4) and returns the number of bytes written.
std::size_t EncodeUtf8(char32_t code_point, char* out);

// How stored bytes look on a terminal: each well-formed UTF-8 sequence as itself, every other
// byte as its code-page character in UTF-8. Writes at most MaxDisplayGrowth * size bytes.
std::size_t DisplayBytes(const Byte* bytes, std::size_t size, char* out);
// The --raw form: every byte as its code-page character in UTF-8, whatever follows it.
std::size_t DisplayCodePage(const Byte* bytes, std::size_t size, char* out);
// The number of bytes at the start of bytes[0, size) (size > 0) that show as one character: a
// well-formed UTF-8 sequence, else one byte; always one byte with raw. The character it shows
// goes to *code_point when that is given.
std::size_t ShownLength(const Byte* bytes, std::size_t size, bool raw, char32_t* code_point = nullptr);
// The characters DisplayBytes (or DisplayCodePage) makes of bytes[0, size): without raw, the
// characters of the UTF-8 a user typed.
std::size_t CharacterCount(const Byte* bytes, std::size_t size, bool raw);

// ---- Terminal columns ----
// The columns a character takes on a terminal: 0 for combining marks and other characters of
// no width, 2 for East Asian wide and fullwidth characters, else 1. The C library's wcwidth
// answers in a UTF-8 locale (the user's, else C.UTF-8) where it has one; TableColumns where it
// has none, or for a character it calls unprintable.
std::size_t Columns(char32_t code_point);
// The same from a small table of the wide and zero-width ranges.
std::size_t TableColumns(char32_t code_point);
// The terminal columns of what DisplayBytes (or DisplayCodePage) makes of bytes[0, size).
std::size_t DisplayWidth(const Byte* bytes, std::size_t size, bool raw);
// The length of the longest prefix of bytes[0, size) that shows in at most `columns` columns,
// characters of no width after its last character included; its width goes to *width.
std::size_t PrefixOfWidth(const Byte* bytes, std::size_t size, std::size_t columns, bool raw,
                          std::size_t* width = nullptr);

// ---- The library's texts ----
// A library answer (NUL-terminated UTF-16 made of code-page characters) as its stored bytes,
// written to out (room for the answer's length) and NUL-terminated; returns the length. A
// character the code page lacks, which no answer holds, becomes '?'.
std::size_t BytesFromAnswer(const char16_t* answer, Byte* out);

// A query as the library should see it, and as the bytes the library will search for.
struct Query {
  char16_t* units = nullptr;  // NUL-terminated, for the library
  Byte* bytes = nullptr;      // the code-page bytes the library searches for
  std::size_t length = 0;     // of bytes: the library's count of characters
  std::size_t replaced = 0;   // characters the code page lacks, searched as '?' (only --raw)
};
// By default the argument's bytes are the query: each byte goes to the library as its code-page
// character, so stored UTF-8 meets the UTF-8 a terminal sends. With raw, the argument's
// characters go to the library as they are (bytes that are no UTF-8 as U+FFFD). Returns false
// when memory runs out.
bool MakeQuery(const char* argument, bool raw, Query* query);
void FreeQuery(Query* query);

// ---- Windows ----
// A UTF-16 argument as UTF-8 (a lone surrogate as U+FFFD), in memory from malloc; null when
// memory runs out.
char* Utf8FromUtf16(const char16_t* text);
// UTF-8 as UTF-16 for a console, to out (room for size units): a byte that starts no sequence
// shows as U+FFFD. Returns the number of units written.
std::size_t Utf16FromUtf8(const char* text, std::size_t size, char16_t* out);

}  // namespace cli

#endif
