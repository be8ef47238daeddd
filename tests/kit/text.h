// Text rules the harness states once, on its own and apart from the library's code, so that
// the tests, the reference model, the fuzz targets and the benchmark hold the library to them
// rather than to itself: UTF-16 surrogates, the folding of A to Z, the Windows-1252 code page,
// the terms of a filter, and texts printed for a failure report.
#ifndef TUNELEDGER_TESTS_KIT_TEXT_H
#define TUNELEDGER_TESTS_KIT_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

constexpr bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
constexpr bool IsSurrogate(char32_t unit) { return IsHighSurrogate(unit) || IsLowSurrogate(unit); }

// A to Z become a to z; every other byte stays as it is.
constexpr char FoldLetter(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
std::string Folded(std::string_view text);

// The characters of bytes 0x80 to 0x9F in Windows-1252; the five bytes it leaves undefined
// stand for themselves, as every other byte does.
inline constexpr char16_t HighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

// The UTF-16 character of a byte of the table.
constexpr char16_t CharOfByte(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? HighControls[byte - 0x80] : char16_t{byte};
}
// Every byte as its character: an entry as the library gives it out, or a plain ASCII query.
std::u16string WideFromBytes(std::string_view bytes);

// The pieces of `filter` closed by ';'; a piece after the last ';' is no term.
std::vector<std::string> SplitTerms(std::string_view filter);

// `text` for a report, as a C++ literal would write it: printable ASCII as it is, anything else
// escaped (\0, \xD83D). A text longer than `most` units shows its first `most` and its length.
std::string Printable(std::u16string_view text, std::size_t most = 80);

}  // namespace kit

#endif
