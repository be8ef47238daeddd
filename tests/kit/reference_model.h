// A plain model of the three operations, written apart from the library and as simply as
// possible: convert the text with the harness's code-page table (kit/text.h), copy and fold
// every entry, and look for the text in the copies with the C library's own search. It is the
// oracle the tests and fuzzers hold the library to; of the library it reads the table alone.
#ifndef TUNELEDGER_TESTS_KIT_REFERENCE_MODEL_H
#define TUNELEDGER_TESTS_KIT_REFERENCE_MODEL_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/kit/calls.h"

namespace reference {

// The limits the public header states.
inline constexpr int LastIndex = TUNELEDGER_LAST_INDEX;
// The longest search text and filter, in characters, that the library takes.
inline constexpr std::size_t LongestSearchText = TUNELEDGER_LONGEST_TEXT;
inline constexpr std::size_t LongestFilter = TUNELEDGER_LONGEST_FILTER;

// The byte of a Windows-1252 character (kit::CharOfByte the other way), or '?'.
unsigned char ByteOfChar(char32_t code_point);

// The caller's UTF-16 text (up to its first NUL; null is empty) in 8-bit form. With `most`,
// conversion stops after that many characters: enough to tell a text longer than a limit.
std::string Narrow(const char16_t* text, std::size_t most = static_cast<std::size_t>(-1));

// How many UTF-16 units of `text` a reader has to look at to know it up to its NUL, or to know
// that it has more than `longest` characters: every unit of its first `longest` characters, and
// then the NUL or the first unit of the next character. A high surrogate is read together with
// the unit after it, to tell a pair (one character) from a lone surrogate. Null reads nothing.
std::size_t UnitsToDecide(const char16_t* text, std::size_t longest);

// The searches look at entries start..last only; `last` is there so a caller that already holds
// a claimed hit can check the entries up to it and no further.
std::u16string Lookup(std::int32_t index);
std::u16string TextSearch(const char16_t* text, std::int32_t start, int last = LastIndex);
std::u16string TermFilter(const char16_t* filter, std::int32_t start, int last = LastIndex);
// Any of the three, as kit::Call calls the library's.
std::u16string Answer(kit::Operation operation, const char16_t* text, std::int32_t number, int last = LastIndex);

// Index of the first hit, or -1.
int FirstTextHit(const std::string& narrow_text, std::int32_t start, int last = LastIndex);

}  // namespace reference

#endif
