// A plain model of the three operations, written apart from the library and as simply as
// possible: convert the text, then for each entry copy it, fold it and look for the text. It is
// the oracle the tests and fuzzers hold the library to.
#ifndef TUNELEDGER_TESTS_REFERENCE_MODEL_H
#define TUNELEDGER_TESTS_REFERENCE_MODEL_H

#include <cstdint>
#include <string>

namespace reference {

// The Windows-1252 character of a byte, and the byte of a character (or '?').
char16_t CharOfByte(unsigned char byte);
unsigned char ByteOfChar(char32_t code_point);

// The caller's UTF-16 text (up to its first NUL; null is empty) in 8-bit form.
std::string Narrow(const char16_t* text);
std::u16string Wide(const std::string& bytes);

std::u16string Pick(std::int32_t index);
std::u16string SearchText(const char16_t* text, std::int32_t start);
std::u16string Filter(const char16_t* filter, std::int32_t start);

// Index of the first hit, or -1.
int FirstTextHit(const std::string& narrow_text, std::int32_t start);

}  // namespace reference

#endif
