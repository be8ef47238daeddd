#include "tests/kit/reference_model.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "data/chart_table.h"
#include "tests/kit/text.h"

namespace reference {
namespace {

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
      folded.bytes += kit::Folded(Entry(i)) + '\0';
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

std::u16string Hit(int index) { return kit::Hit(index, kit::WideFromBytes(Entry(index))); }

// The model's answers, for kit::Dispatch; the searches look no further than `last`.
struct Model {
  int last;
  std::u16string Lookup(std::int32_t index) const { return reference::Lookup(index); }
  std::u16string TextSearch(const char16_t* text, std::int32_t start) const {
    return reference::TextSearch(text, start, last);
  }
  std::u16string TermFilter(const char16_t* filter, std::int32_t start) const {
    return reference::TermFilter(filter, start, last);
  }
};

}  // namespace

unsigned char ByteOfChar(char32_t code_point) {
  static const std::map<char32_t, unsigned char> bytes = [] {
    std::map<char32_t, unsigned char> inverse;
    for (int byte = 0; byte < 256; ++byte) inverse[kit::CharOfByte(static_cast<unsigned char>(byte))] = static_cast<unsigned char>(byte);
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
    bool pair = kit::IsHighSurrogate(unit) && kit::IsLowSurrogate(text[i + 1]);
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
    bool pair = kit::IsHighSurrogate(text[units]) && kit::IsLowSurrogate(text[units + 1]);
    units += pair ? 2 : 1;
  }
  return units + 1;
}

std::u16string Lookup(std::int32_t index) {
  if (index < 0 || index > LastIndex) return u"Out of range";
  return kit::WideFromBytes(Entry(index));
}

int FirstTextHit(const std::string& narrow_text, std::int32_t start, int last) {
  if (narrow_text.size() > LongestSearchText) return -1;
  return FirstHolding(kit::Folded(narrow_text), FirstStart(start), std::min(last, LastIndex));
}

std::u16string TextSearch(const char16_t* text, std::int32_t start, int last) {
  int hit = FirstTextHit(Narrow(text, LongestSearchText + 1), start, last);
  return hit < 0 ? u"NOT FOUND!" : Hit(hit);
}

std::u16string TermFilter(const char16_t* filter, std::int32_t start, int last) {
  std::string narrow = Narrow(filter, LongestFilter + 1);
  if (narrow.size() > LongestFilter) return u"NOT FOUND!";
  std::vector<std::string> terms = kit::SplitTerms(kit::Folded(narrow));
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

std::u16string Answer(kit::Operation operation, const char16_t* text, std::int32_t number, int last) {
  return kit::Dispatch(Model{last}, operation, text, number);
}

}  // namespace reference
