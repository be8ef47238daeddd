// The code page and the folding, exhaustively: every byte and every UTF-16 code unit.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "interface/code_page.h"
#include "search/matching.h"
#include "tests/kit/reference_model.h"
#include "tests/kit/text.h"

namespace tuneledger {
namespace {

std::string Narrow(const std::u16string& text) {
  char field[64];
  FieldText narrow = ToNarrow(text.c_str(), field, sizeof field);
  EXPECT_TRUE(narrow.fits);
  return std::string(narrow.bytes, narrow.length);
}

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
  for (int byte = 0; byte < 256; ++byte) {
    auto b = static_cast<unsigned char>(byte);
    EXPECT_EQ(WideFromByte(b), kit::CharOfByte(b)) << byte;
    EXPECT_EQ(static_cast<unsigned char>(ByteFromWide(WideFromByte(b))), b) << byte;
  }
  EXPECT_EQ(WideFromByte(0x80), u'\u20AC');
  EXPECT_EQ(WideFromByte(0x9F), u'\u0178');
  EXPECT_EQ(WideFromByte(0x81), u'\u0081');
  EXPECT_EQ(WideFromByte(0xE9), u'\u00E9');
}

// Widening goes many bytes at a time where it can: every byte, at every place in a run, in runs
// of every length up to a few vectors, with and without the bytes 0x80-0x9F among them.
TEST(CodePage, WideningAgreesByteByByte) {
  std::string bytes;
  for (int byte = 1; byte < 256; ++byte) bytes += static_cast<char>(byte);
  bytes += std::string(bytes.rbegin(), bytes.rend()) + std::string(70, 'a');
  for (std::size_t from = 0; from + 70 <= bytes.size(); from += 3) {
    for (std::size_t length = 0; length <= 70; ++length) {
      char16_t out[72];
      out[length] = u'#';
      EXPECT_EQ(ToWide(bytes.data() + from, length, out), out + length);
      EXPECT_EQ(out[length], u'#') << "wrote past the end";
      for (std::size_t i = 0; i < length; ++i) {
        ASSERT_EQ(out[i], kit::CharOfByte(static_cast<unsigned char>(bytes[from + i]))) << from << " " << i;
      }
    }
  }
}

TEST(CodePage, EveryCodeUnitNarrowsToOneByte) {
  for (char32_t unit = 1; unit < 0x10000; ++unit) {
    std::u16string text(1, static_cast<char16_t>(unit));
    char expected = kit::IsSurrogate(unit) ? '?' : static_cast<char>(reference::ByteOfChar(unit));
    ASSERT_EQ(Narrow(text), std::string(1, expected)) << std::hex << unit;
  }
}

TEST(CodePage, CharactersAndSurrogates) {
  const struct {
    std::u16string text;
    std::string narrow;
  } cases[] = {
      {u"", ""},
      {u"Caf\u00e9", "Caf\xe9"},
      {u"\u20ac\u2122\u0178", "\x80\x99\x9f"},
      {u"\u0100", "?"},                  // no best fit: not 'A'
      {u"\u0080\u009f", "??"},           // C1 controls the code page puts elsewhere
      {u"\U0001F600", "?"},              // a pair is one character
      {u"a\U0001F600b\U00010000", "a?b?"},
      {u"\xDE00\xD83D", "??"},           // reversed pair: two lone surrogates
      {u"\xD83Dx", "?x"},                // high surrogate without its low half
      {u"\xD83D\uE000", "??"},          // ... followed by a unit above the low halves
      {u"x\xDC00", "x?"},
  };
  for (const auto& c : cases) EXPECT_EQ(Narrow(c.text), c.narrow) << testing::PrintToString(c.text);
}

// Narrowing copies plain characters many units at a time where the text is aligned: at every
// alignment, in texts of every length up to a few blocks (of 16 and 32 units), with a unit of each
// kind (the edges of 1-0x7F, characters beyond them) at every place, into fields of the sizes
// around the text's and larger.
TEST(CodePage, NarrowingAgreesUnitByUnit) {
  const char16_t others[] = {u'\x01', u'\x7F', u'\x80', u'\xE9', u'\u20AC', u'\xFF01', u'\xFFFF'};
  alignas(64) char16_t buffer[128];
  for (std::size_t offset = 0; offset < 9; ++offset) {
    for (std::size_t length = 0; length <= 100; ++length) {
      for (std::size_t place = 0; place <= length; ++place) {  // `length`: no other unit
        for (char16_t other : others) {
          char16_t* text = buffer + offset;
          std::fill(text, text + length, u'k');
          if (place < length) text[place] = other;
          text[length] = u'\0';
          std::string expected;
          for (std::size_t i = 0; i < length; ++i) expected += static_cast<char>(reference::ByteOfChar(text[i]));
          char field[112];
          for (std::size_t capacity : {length / 2 + 1, length, length + 1, length + 2, sizeof field}) {
            if (capacity == 0) continue;
            FieldText narrow = ToNarrow(text, field, capacity);
            const std::size_t kept = std::min(length, capacity - 1);
            ASSERT_EQ(narrow.fits, kept == length) << offset << " " << length << " " << place << " " << capacity;
            ASSERT_EQ(std::string(narrow.bytes, narrow.length), expected.substr(0, kept))
                << offset << " " << length << " " << place << " " << capacity;
            ASSERT_EQ(field[kept], '\0');
          }
          if (place == length) break;  // the same text for every `other`
        }
      }
    }
  }
}

TEST(CodePage, NullTextIsEmpty) {
  char field[4] = "xyz";
  FieldText narrow = ToNarrow(nullptr, field, sizeof field);
  EXPECT_TRUE(narrow.fits);
  EXPECT_EQ(narrow.length, 0u);
  EXPECT_EQ(field[0], '\0');
}

TEST(CodePage, TextLongerThanTheFieldDoesNotFit) {
  char field[5];
  EXPECT_TRUE(ToNarrow(u"abcd", field, sizeof field).fits);
  EXPECT_FALSE(ToNarrow(u"abcde", field, sizeof field).fits);
  // A pair counts as one character.
  EXPECT_TRUE(ToNarrow(u"ab\U0001F600\U0001F600", field, sizeof field).fits);
  EXPECT_FALSE(ToNarrow(u"abc\U0001F600\U0001F600", field, sizeof field).fits);
}

// Folding goes many bytes at a time where it can (a word, or a vector): every byte, at every place
// in a run, in runs of every length up to a few vectors; nothing past the run changes.
TEST(Matching, FoldsOnlyAToZ) {
  std::string bytes;
  for (int byte = 0; byte < 256; ++byte) bytes += static_cast<char>(byte);
  bytes += std::string(bytes.rbegin(), bytes.rend());
  for (std::size_t from = 0; from + 70 <= bytes.size(); from += 5) {
    for (std::size_t length = 0; length <= 70; ++length) {
      std::string run = bytes.substr(from, length) + "XY";
      FoldCase(run.data(), length);
      ASSERT_EQ(run.substr(length), "XY") << "folded past the end";
      for (std::size_t i = 0; i < length; ++i) {
        ASSERT_EQ(run[i], kit::FoldLetter(bytes[from + i])) << from << " " << i;
      }
    }
  }
}

}  // namespace
}  // namespace tuneledger
