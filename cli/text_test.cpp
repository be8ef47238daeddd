// Terminal columns as the table counts them, and the small table of wide and zero-width ranges
// that stands in where the C library has no wcwidth.
#include "text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tuneledger.h"

namespace cli {
namespace {

const Byte* Bytes(const char* text) { return reinterpret_cast<const Byte*>(text); }

TEST(TerminalColumns, OfShownText) {
  struct Case {
    const char* text;
    bool raw;
    std::size_t columns;
  } const cases[] = {
      {"Tove Lark", false, 9},
      {"Caf\xC3\xA9", false, 4},                        // é, two bytes, one column
      {"\xE5\xA4\x9C\xE3\x81\xAE\xE6\xB5\xB7", false, 6},  // 夜の海: wide, two columns each
      {"\xED\x95\x98\xEB\x8A\x98\xEC\xA0\x95\xEC\x9B\x90", false, 8},  // 하늘정원
      {"e\xCC\x81", false, 1},                          // e and a combining acute accent
      {"\xEF\xBC\xA1\xEF\xBC\xA2", false, 4},           // fullwidth ＡＢ
      {"\xEF\xBD\xB1", false, 1},                       // halfwidth katakana ｱ
      {"\xF0\x9F\x98\x80", false, 2},                   // 😀
      {"Caf\xE9", false, 4},                            // a byte that starts no sequence: its character
      {"\xE5\xA4\x9C", true, 3},                        // --raw: each byte its own character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DisplayWidth(Bytes(c.text), std::strlen(c.text), c.raw), c.columns) << c.text;
  }
}

TEST(TerminalColumns, PrefixKeepsWholeCharactersAndTheirMarks) {
  struct Case {
    const char* text;
    std::size_t columns;
    std::size_t bytes;  // of the prefix
    std::size_t width;  // of the prefix
  } const cases[] = {
      {"\xE5\xA4\x9C\xE3\x81\xAE\xE6\xB5\xB7", 5, 6, 4},  // 夜の|海: the wide 海 would straddle
      {"\xE5\xA4\x9C\xE3\x81\xAE\xE6\xB5\xB7", 6, 9, 6},
      {"\xE5\xA4\x9C", 1, 0, 0},
      {"e\xCC\x81x", 1, 3, 1},  // the accent stays with its e
      {"abc", 0, 0, 0},
      {"abc", 10, 3, 3},
  };
  for (const Case& c : cases) {
    std::size_t width = 99;
    EXPECT_EQ(PrefixOfWidth(Bytes(c.text), std::strlen(c.text), c.columns, false, &width), c.bytes)
        << c.text << " in " << c.columns;
    EXPECT_EQ(width, c.width) << c.text << " in " << c.columns;
  }
}

TEST(TerminalColumns, TableAgreesWithTheCLibraryOnEveryCharacterTheChartShows) {
#if defined(_WIN32)
  GTEST_SKIP() << "no wcwidth: the table is the only answer";
#else
  int checked = 0;
  for (std::int32_t index = 0; index <= TUNELEDGER_LAST_INDEX; ++index) {
    Byte entry[TUNELEDGER_RESULT_UNITS];
    const std::size_t size = BytesFromAnswer(reinterpret_cast<const char16_t*>(FoodPicker(index)), entry);
    for (std::size_t pos = 0; pos < size;) {
      char32_t code_point;
      pos += ShownLength(entry + pos, size - pos, false, &code_point);
      if (code_point < 0x80) continue;
      ++checked;
      ASSERT_EQ(TableColumns(code_point), Columns(code_point)) << "U+" << std::hex << code_point << " in entry " << std::dec << index;
    }
  }
  EXPECT_GT(checked, 0);
#endif
}

TEST(TerminalColumns, TableAgreesWithTheCLibraryOnTheRangesItNames) {
#if defined(_WIN32)
  GTEST_SKIP() << "no wcwidth: the table is the only answer";
#else
  // Every character the table makes wide or of no width, where the C library knows it.
  for (char32_t code_point = 0x300; code_point <= 0x3FFFF; ++code_point) {
    if (TableColumns(code_point) == 1) continue;
    EXPECT_EQ(TableColumns(code_point), Columns(code_point)) << "U+" << std::hex << code_point;
  }
#endif
}

}  // namespace
}  // namespace cli
