#include "text.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

#if !defined(_WIN32)
#  include <langinfo.h>
#  include <wchar.h>
#endif

#include "tuneledger.h"

namespace cli {
namespace {

// The characters the library gives for bytes 0x80 to 0x9F.
constexpr char16_t HighControls[32] = TUNELEDGER_WINDOWS_1252_HIGH;

constexpr char32_t ReplacementCharacter = 0xFFFD;

bool IsContinuation(Byte byte) { return (byte & 0xC0) == 0x80; }

// One byte as its code-page character in UTF-8.
std::size_t EncodeByte(Byte byte, char* out) {
  if (byte < 0x80) {
    *out = static_cast<char>(byte);
    return 1;
  }
  return EncodeUtf8(WideFromByte(byte), out);
}

// Writes code_point as UTF-16 at out (room for 2) and returns the number of units written.
std::size_t EncodeUtf16(char32_t code_point, char16_t* out) {
  if (code_point < 0x10000) {
    out[0] = static_cast<char16_t>(code_point);
    return 1;
  }
  const char32_t offset = code_point - 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (offset >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
  return 2;
}

// The length of the UTF-8 sequence of a code point that is encoded at all.
std::size_t Utf8Length(char32_t code_point) {
  return code_point < 0x80 ? 1 : code_point < 0x800 ? 2 : code_point < 0x10000 ? 3 : 4;
}

#if !defined(_WIN32)
// wcwidth knows the characters of the locale's encoding: in the "C" locale it knows no more
// than ASCII. Chosen once, when the first width beyond Latin-1 is asked for, so a program that
// measures nothing loads no locale.
bool PlatformKnowsWidths() {
  static int known = -1;
  if (known < 0) {
    const auto utf8 = [] { return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0; };
    known = (std::setlocale(LC_CTYPE, "") && utf8()) || (std::setlocale(LC_CTYPE, "C.UTF-8") && utf8());
  }
  return known == 1;
}
#endif

}  // namespace

char16_t WideFromByte(Byte byte) {
  return byte >= 0x80 && byte <= 0x9F ? HighControls[byte - 0x80] : char16_t{byte};
}

int ByteFromWide(char32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    return static_cast<int>(code_point);
  }
  for (int i = 0; i < 32; ++i) {
    if (HighControls[i] == code_point) return 0x80 + i;
  }
  return -1;
}

std::size_t DecodeUtf8(const Byte* bytes, std::size_t size, char32_t* code_point) {
  const Byte lead = bytes[0];
  if (lead < 0x80) {
    *code_point = lead;
    return 1;
  }
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || size < length) return 0;
  // The lead byte keeps 7 - length bits of the code point.
  char32_t value = lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(bytes[i])) return 0;
    value = (value << 6) | (bytes[i] & 0x3Fu);
  }
  constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  if (value < Smallest[length] || surrogate || value > 0x10FFFF) return 0;
  *code_point = value;
  return length;
}

std::size_t EncodeUtf8(char32_t code_point, char* out) {
  const auto byte = [](char32_t bits) { return static_cast<char>(bits); };
  switch (Utf8Length(code_point)) {
    case 1:
      out[0] = byte(code_point);
      return 1;
    case 2:
      out[0] = byte(0xC0 | (code_point >> 6));
      out[1] = byte(0x80 | (code_point & 0x3F));
      return 2;
    case 3:
      out[0] = byte(0xE0 | (code_point >> 12));
      out[1] = byte(0x80 | ((code_point >> 6) & 0x3F));
      out[2] = byte(0x80 | (code_point & 0x3F));
      return 3;
    default:
      out[0] = byte(0xF0 | (code_point >> 18));
      out[1] = byte(0x80 | ((code_point >> 12) & 0x3F));
      out[2] = byte(0x80 | ((code_point >> 6) & 0x3F));
      out[3] = byte(0x80 | (code_point & 0x3F));
      return 4;
  }
}

std::size_t DisplayBytes(const Byte* bytes, std::size_t size, char* out) {
  char* const start = out;
  std::size_t pos = 0;
  while (pos < size) {
    if (bytes[pos] < 0x80) {
      *out++ = static_cast<char>(bytes[pos++]);
      continue;
    }
    char32_t code_point;
    const std::size_t length = DecodeUtf8(bytes + pos, size - pos, &code_point);
    if (length == 0) {
      out += EncodeByte(bytes[pos++], out);
    } else {
      std::memcpy(out, bytes + pos, length);
      out += length;
      pos += length;
    }
  }
  return static_cast<std::size_t>(out - start);
}

std::size_t DisplayCodePage(const Byte* bytes, std::size_t size, char* out) {
  char* const start = out;
  for (std::size_t pos = 0; pos < size; ++pos) out += EncodeByte(bytes[pos], out);
  return static_cast<std::size_t>(out - start);
}

std::size_t ShownLength(const Byte* bytes, std::size_t size, bool raw, char32_t* code_point) {
  char32_t shown = WideFromByte(bytes[0]);
  std::size_t length = 1;
  if (!raw && bytes[0] >= 0x80) {
    char32_t decoded;
    if (const std::size_t sequence = DecodeUtf8(bytes, size, &decoded)) {
      shown = decoded;
      length = sequence;
    }
  }
  if (code_point) *code_point = shown;
  return length;
}

std::size_t CharacterCount(const Byte* bytes, std::size_t size, bool raw) {
  if (raw) return size;
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < size; ++count) pos += ShownLength(bytes + pos, size - pos, raw);
  return count;
}

std::size_t TableColumns(char32_t code_point) {
  struct Range {
    char32_t first, last;
  };
  // Combining marks of the main scripts, Hangul's medial and final jamo, the zero-width
  // spaces, joiners and direction marks, variation selectors.
  static constexpr Range Zero[] = {
      {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2},
      {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0610, 0x061A}, {0x064B, 0x065F}, {0x0670, 0x0670},
      {0x06D6, 0x06DC}, {0x06DF, 0x06E4}, {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x0E31, 0x0E31},
      {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1160, 0x11FF}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
      {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0x302A, 0x302D},
      {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
  };
  // East Asian wide and fullwidth: Hangul jamo and syllables, CJK radicals to Yi, the CJK
  // ideographs, compatibility forms, fullwidth forms, and the emoji among the pictographs.
  static constexpr Range Wide[] = {
      {0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3041, 0x3096}, {0x3099, 0x30FF}, {0x3105, 0x312F},
      {0x3131, 0x318E}, {0x3190, 0x31E3}, {0x31F0, 0x321E}, {0x3220, 0x3247}, {0x3250, 0x4DBF},
      {0x4E00, 0xA48C}, {0xA490, 0xA4C6}, {0xA960, 0xA97C}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
      {0xFE10, 0xFE19}, {0xFE30, 0xFE52}, {0xFE54, 0xFE66}, {0xFE68, 0xFE6B}, {0xFF01, 0xFF60},
      {0xFFE0, 0xFFE6}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
      // The pictographs and emoji that show as emoji by default (the others are narrow).
      {0x1F300, 0x1F320}, {0x1F32D, 0x1F335}, {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393},
      {0x1F3A0, 0x1F3CA}, {0x1F3CF, 0x1F3D3}, {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4},
      {0x1F3F8, 0x1F43E}, {0x1F440, 0x1F440}, {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D},
      {0x1F54B, 0x1F54E}, {0x1F550, 0x1F567}, {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596},
      {0x1F5A4, 0x1F5A4}, {0x1F5FB, 0x1F64F}, {0x1F680, 0x1F6C5}, {0x1F90C, 0x1F93A},
      {0x1F93C, 0x1F945}, {0x1F947, 0x1F9FF},
  };
  const auto in = [code_point](const Range* ranges, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      if (code_point >= ranges[i].first && code_point <= ranges[i].last) return true;
    }
    return false;
  };
  if (in(Zero, sizeof Zero / sizeof Zero[0])) return 0;
  return in(Wide, sizeof Wide / sizeof Wide[0]) ? 2 : 1;
}

std::size_t Columns(char32_t code_point) {
  if (code_point < 0x300) return 1;  // ASCII and Latin-1 (their controls never reach a table)
#if !defined(_WIN32)
  if (PlatformKnowsWidths()) {
    const int width = wcwidth(static_cast<wchar_t>(code_point));
    if (width >= 0) return static_cast<std::size_t>(width);
  }
#endif
  return TableColumns(code_point);
}

std::size_t DisplayWidth(const Byte* bytes, std::size_t size, bool raw) {
  std::size_t width = 0;
  for (std::size_t pos = 0; pos < size;) {
    char32_t code_point;
    pos += ShownLength(bytes + pos, size - pos, raw, &code_point);
    width += Columns(code_point);
  }
  return width;
}

std::size_t PrefixOfWidth(const Byte* bytes, std::size_t size, std::size_t columns, bool raw,
                          std::size_t* width) {
  std::size_t pos = 0;
  std::size_t used = 0;
  while (pos < size) {
    char32_t code_point;
    const std::size_t length = ShownLength(bytes + pos, size - pos, raw, &code_point);
    const std::size_t more = Columns(code_point);
    if (used + more > columns) break;
    used += more;
    pos += length;
  }
  if (width) *width = used;
  return pos;
}

std::size_t BytesFromAnswer(const char16_t* answer, Byte* out) {
  std::size_t length = 0;
  for (; answer[length] != 0; ++length) {
    const char16_t unit = answer[length];
    if (unit < 0x80) {
      out[length] = static_cast<Byte>(unit);
    } else {
      const int byte = ByteFromWide(unit);
      out[length] = static_cast<Byte>(byte < 0 ? '?' : byte);
    }
  }
  out[length] = 0;
  return length;
}

bool MakeQuery(const char* argument, bool raw, Query* query) {
  const auto* bytes = reinterpret_cast<const Byte*>(argument);
  const std::size_t size = std::strlen(argument);
  // Never more characters than bytes; a character beyond U+FFFF takes two units.
  query->units = static_cast<char16_t*>(std::malloc((2 * size + 1) * sizeof(char16_t)));
  query->bytes = static_cast<Byte*>(std::malloc(size + 1));
  if (!query->units || !query->bytes) return false;
  std::size_t units = 0;
  std::size_t length = 0;
  for (std::size_t pos = 0; pos < size;) {
    char32_t code_point = bytes[pos];
    std::size_t used = 1;
    if (raw && bytes[pos] >= 0x80) {
      used = DecodeUtf8(bytes + pos, size - pos, &code_point);
      if (used == 0) {
        code_point = ReplacementCharacter;
        used = 1;
      }
    } else if (!raw) {
      code_point = WideFromByte(bytes[pos]);
    }
    pos += used;
    units += EncodeUtf16(code_point, query->units + units);
    const int byte = ByteFromWide(code_point);
    if (byte < 0) ++query->replaced;
    query->bytes[length++] = static_cast<Byte>(byte < 0 ? '?' : byte);
  }
  query->units[units] = 0;
  query->bytes[length] = 0;
  query->length = length;
  return true;
}

void FreeQuery(Query* query) {
  std::free(query->units);
  std::free(query->bytes);
  *query = Query{};
}

char* Utf8FromUtf16(const char16_t* text) {
  std::size_t units = 0;
  while (text[units] != 0) ++units;
  // A unit becomes at most 3 bytes; a pair of units, 4.
  char* out = static_cast<char*>(std::malloc(3 * units + 1));
  if (!out) return nullptr;
  std::size_t length = 0;
  for (std::size_t i = 0; i < units; ++i) {
    char32_t code_point = text[i];
    const bool high = code_point >= 0xD800 && code_point <= 0xDBFF;
    const bool low = code_point >= 0xDC00 && code_point <= 0xDFFF;
    if (high && i + 1 < units && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (char32_t{text[++i]} - 0xDC00);
    } else if (high || low) {
      code_point = ReplacementCharacter;
    }
    length += EncodeUtf8(code_point, out + length);
  }
  out[length] = '\0';
  return out;
}

std::size_t Utf16FromUtf8(const char* text, std::size_t size, char16_t* out) {
  const auto* bytes = reinterpret_cast<const Byte*>(text);
  std::size_t units = 0;
  for (std::size_t pos = 0; pos < size;) {
    char32_t code_point;
    std::size_t length = DecodeUtf8(bytes + pos, size - pos, &code_point);
    if (length == 0) {
      code_point = ReplacementCharacter;
      length = 1;
    }
    pos += length;
    units += EncodeUtf16(code_point, out + units);
  }
  return units;
}

}  // namespace cli
