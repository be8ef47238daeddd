#include "reference_model.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "chart_table.h"

namespace reference {
namespace {

const std::map<unsigned char, char16_t>& SpecialBytes() {
  static const std::map<unsigned char, char16_t> table = {
      {0x80, u'\u20AC'}, {0x81, u'\u0081'}, {0x82, u'\u201A'}, {0x83, u'\u0192'}, {0x84, u'\u201E'},
      {0x85, u'\u2026'}, {0x86, u'\u2020'}, {0x87, u'\u2021'}, {0x88, u'\u02C6'}, {0x89, u'\u2030'},
      {0x8A, u'\u0160'}, {0x8B, u'\u2039'}, {0x8C, u'\u0152'}, {0x8D, u'\u008D'}, {0x8E, u'\u017D'},
      {0x8F, u'\u008F'}, {0x90, u'\u0090'}, {0x91, u'\u2018'}, {0x92, u'\u2019'}, {0x93, u'\u201C'},
      {0x94, u'\u201D'}, {0x95, u'\u2022'}, {0x96, u'\u2013'}, {0x97, u'\u2014'}, {0x98, u'\u02DC'},
      {0x99, u'\u2122'}, {0x9A, u'\u0161'}, {0x9B, u'\u203A'}, {0x9C, u'\u0153'}, {0x9D, u'\u009D'},
      {0x9E, u'\u017E'}, {0x9F, u'\u0178'},
  };
  return table;
}

std::string Fold(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

std::string Entry(int index) { return std::string(tuneledger::EntryText(index)); }

// Every searchable entry copied and folded once, one after the other, each followed by a NUL:
// the fuzz targets search them millions of times. No search text holds a NUL, so an occurrence
// found here lies inside one entry, and the first occurrence after where an entry starts belongs
// to the first entry from there on that holds the text.
struct FoldedSheet {
  std::string bytes;
  std::vector<std::size_t> starts;  // where each entry starts; one more for the end
};

const FoldedSheet& Sheet() {
  static const FoldedSheet sheet = [] {
    FoldedSheet folded;
    for (int i = 0; i <= LastIndex; ++i) {
      folded.starts.push_back(folded.bytes.size());
      folded.bytes += Fold(Entry(i)) + '\0';
    }
    folded.starts.push_back(folded.bytes.size());
    return folded;
  }();
  return sheet;
}

std::size_t FindIn(const std::string& haystack, const std::string& needle, std::size_t from) {
#if defined(__GLIBC__)
  const void* at = memmem(haystack.data() + from, haystack.size() - from, needle.data(), needle.size());
  return at ? static_cast<std::size_t>(static_cast<const char*>(at) - haystack.data()) : std::string::npos;
#else
  return haystack.find(needle, from);
#endif
}

// The first entry in [first, last] that holds the folded text, or -1.
int FirstHolding(const std::string& folded, int first, int last) {
  if (first > last) return -1;
  if (folded.empty()) return first;
  const FoldedSheet& sheet = Sheet();
  std::size_t at = FindIn(sheet.bytes, folded, sheet.starts[static_cast<std::size_t>(first)]);
  if (at == std::string::npos) return -1;
  int entry = static_cast<int>(std::upper_bound(sheet.starts.begin(), sheet.starts.end(), at) - sheet.starts.begin()) - 1;
  return entry <= last ? entry : -1;
}

int FirstStart(std::int32_t start) { return start < 0 ? 0 : static_cast<int>(std::min<std::int64_t>(start, LastIndex + 1)); }

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::u16string Hit(int index) {
  std::string text = std::to_string(index) + "-" + Entry(index);
  return Wide(text);
}

}  // namespace

char16_t CharOfByte(unsigned char byte) {
  auto special = SpecialBytes().find(byte);
  return special != SpecialBytes().end() ? special->second : char16_t(byte);
}

unsigned char ByteOfChar(char32_t code_point) {
  static const std::map<char32_t, unsigned char> bytes = [] {
    std::map<char32_t, unsigned char> inverse;
    for (int byte = 0; byte < 256; ++byte) inverse[CharOfByte(static_cast<unsigned char>(byte))] = static_cast<unsigned char>(byte);
    return inverse;
  }();
  auto found = bytes.find(code_point);
  return found != bytes.end() ? found->second : '?';
}

std::string Narrow(const char16_t* text, std::size_t most) {
  std::string out;
  if (text == nullptr) return out;
  for (std::size_t i = 0; text[i] != 0 && out.size() < most; ++i) {
    char16_t unit = text[i];
    bool pair = IsHighSurrogate(unit) && IsLowSurrogate(text[i + 1]);
    if (pair) {
      out += '?';
      ++i;
    } else {
      out += static_cast<char>(ByteOfChar(unit));
    }
  }
  return out;
}

std::size_t UnitsToDecide(const char16_t* text, std::size_t longest) {
  if (text == nullptr) return 0;
  std::size_t units = 0;
  for (std::size_t characters = 0; text[units] != 0 && characters < longest; ++characters) {
    bool pair = IsHighSurrogate(text[units]) && IsLowSurrogate(text[units + 1]);
    units += pair ? 2 : 1;
  }
  return units + 1;
}

std::u16string Wide(const std::string& bytes) {
  std::u16string out;
  for (char c : bytes) out += CharOfByte(static_cast<unsigned char>(c));
  return out;
}

std::u16string Pick(std::int32_t index) {
  if (index < 0 || index > LastIndex) return u"Out of range";
  return Wide(Entry(index));
}

int FirstTextHit(const std::string& narrow_text, std::int32_t start, int last) {
  if (narrow_text.size() > LongestSearchText) return -1;
  return FirstHolding(Fold(narrow_text), FirstStart(start), std::min(last, LastIndex));
}

std::u16string SearchText(const char16_t* text, std::int32_t start, int last) {
  int hit = FirstTextHit(Narrow(text, LongestSearchText + 1), start, last);
  return hit < 0 ? u"NOT FOUND!" : Hit(hit);
}

std::u16string Filter(const char16_t* filter, std::int32_t start, int last) {
  std::string narrow = Narrow(filter, LongestFilter + 1);
  if (narrow.size() > LongestFilter) return u"NOT FOUND!";
  std::vector<std::string> terms;
  std::string piece;
  for (char c : Fold(narrow)) {
    if (c == ';') {
      terms.push_back(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  // An entry passes when it holds every term. From entry i, each term's first holder is found;
  // no entry before the latest of them can hold every term, so the walk goes on from there, and
  // it stops where all of them agree. Every entry holds an empty term: those need no looking at.
  terms.erase(std::remove(terms.begin(), terms.end(), std::string()), terms.end());
  const int end = std::min(last, LastIndex);
  for (int i = FirstStart(start); i <= end;) {
    int latest = i;
    for (const std::string& term : terms) {
      int holder = FirstHolding(term, i, end);
      if (holder < 0) return u"NOT FOUND!";
      latest = std::max(latest, holder);
    }
    if (latest == i) return Hit(i);
    i = latest;
  }
  return u"NOT FOUND!";
}

}  // namespace reference
