// Input no ordinary query looks like, each kind with the answer the library gives it. README's
// "Behaviour on unusual input" shows the same table. The hostile-input test holds the library
// to it; the memory tests make the same calls with the heap watched and on a small stack.
#ifndef TUNELEDGER_TESTS_UNUSUAL_INPUTS_H
#define TUNELEDGER_TESTS_UNUSUAL_INPUTS_H

#include <deque>
#include <string>
#include <vector>

#include "cases.h"
#include "chart_table.h"
#include "reference_model.h"
#include "tuneledger.h"

namespace unusual {

struct Input {
  const char* kind;
  cases::Case call;
};

inline constexpr std::size_t Megabyte = std::size_t{1} << 20;

// `units` UTF-16 units: `piece` over and over.
inline std::u16string Repeated(const std::u16string& piece, std::size_t units) {
  std::u16string text;
  text.reserve(units);
  while (text.size() < units) text += piece;
  text.resize(units);
  return text;
}

inline const tuneledger_char* Make(const cases::Case& c) {
  const auto* text = reinterpret_cast<const tuneledger_char*>(c.text);
  switch (c.call) {
    case cases::Call::Pick: return FoodPicker(c.number);
    case cases::Call::Text: return FoodPickerText(text, c.number);
    case cases::Call::Filter: return FoodPickerFilter(text, c.number);
  }
  return nullptr;
}

inline std::vector<Input> Build() {
  using cases::Call;
  using cases::Max;
  using cases::Min;
  using cases::NotFound;
  using cases::OutOfRange;
  // The texts built here live as long as the program; a deque never moves them.
  static std::deque<std::u16string> texts;
  auto keep = [](std::u16string text) { return texts.emplace_back(std::move(text)).c_str(); };
  // Entry 1535 is the longest, 169 bytes: no text of more characters can be in any entry.
  const char16_t* longest = keep(reference::Wide(std::string(tuneledger::EntryText(1535))));
  const char16_t* e_terms = keep(Repeated(u"e;", 2998));  // 1499 terms, 2998 characters

  return {
      {"negative index", {Call::Pick, nullptr, -1, -1, OutOfRange, nullptr}},
      {"lowest int32 index", {Call::Pick, nullptr, Min, -1, OutOfRange, nullptr}},
      {"highest int32 index", {Call::Pick, nullptr, Max, -1, OutOfRange, nullptr}},
      {"stored but never given (11082, 11083)", {Call::Pick, nullptr, 11082, -1, OutOfRange, nullptr}},
      {"stored but never given (11082, 11083)", {Call::Pick, nullptr, 11083, -1, OutOfRange, nullptr}},

      {"null text: the empty text, a hit at once", {Call::Text, nullptr, 0, 0, nullptr, nullptr}},
      {"empty text from the last entry", {Call::Text, u"", 11081, 11081, nullptr, nullptr}},
      {"lowest int32 start: from 0", {Call::Text, u"(x124)", Min, 4, nullptr, nullptr}},
      {"start -1: from 0", {Call::Text, u"", -1, 0, nullptr, nullptr}},
      {"start past the table", {Call::Text, u"", 11082, -1, NotFound, nullptr}},
      {"highest int32 start", {Call::Text, u"", Max, -1, NotFound, nullptr}},
      {"lone high surrogate: '?'", {Call::Text, u"\xD83D", 0, 191, nullptr, nullptr}},
      {"lone low surrogate: '?'", {Call::Text, u"\xDE00", 0, 191, nullptr, nullptr}},
      {"surrogate pair: one '?'", {Call::Text, u"\U0001F600", 0, 191, nullptr, nullptr}},
      {"reversed pair: two lone surrogates, two '?'", {Call::Text, u"\xDE00\xD83D", 0, -1, NotFound, nullptr}},
      {"beyond the code page (U+0100, U+0080, U+FFFF): '?'", {Call::Text, u"\u00C3\u0100", 0, 396, nullptr, nullptr}},
      {"beyond the code page (U+0100, U+0080, U+FFFF): '?'", {Call::Text, u"\u0080", 0, 191, nullptr, nullptr}},
      {"beyond the code page (U+0100, U+0080, U+FFFF): '?'", {Call::Text, u"\uFFFF", 0, 191, nullptr, nullptr}},
      {"code page's own high characters: their bytes", {Call::Text, u"\u20AC", 0, 730, nullptr, nullptr}},
      {"code page's own high characters: their bytes", {Call::Text, u"\u0081", 0, 197, nullptr, nullptr}},
      {"no folding beyond A to Z", {Call::Text, u"\u00E9", 0, -1, NotFound, nullptr}},
      {"embedded NUL ends the text", {Call::Text, u"(x124)\0(x29)", 0, 4, nullptr, nullptr}},
      {"NUL first: the empty text", {Call::Text, u"\0love", 5, 5, nullptr, nullptr}},
      {"169 characters: the longest entry", {Call::Text, longest, 0, 1535, nullptr, nullptr}},
      {"170 characters and more: in no entry", {Call::Text, keep(longest + std::u16string(u"x")), 0, -1, NotFound, nullptr}},
      {"170 characters and more: in no entry", {Call::Text, keep(Repeated(u"a", Megabyte)), 0, -1, NotFound, nullptr}},
      {"170 characters and more: in no entry", {Call::Text, keep(Repeated(longest, 8 * Megabyte)), 0, -1, NotFound, nullptr}},

      {"null filter: no terms, every entry passes", {Call::Filter, nullptr, 11081, 11081, nullptr, nullptr}},
      {"no ';': no terms, every entry passes", {Call::Filter, u"no such text", 9, 9, nullptr, nullptr}},
      {"run of ';': empty terms, in every entry", {Call::Filter, u";;;;", 3, 3, nullptr, nullptr}},
      {"2999 characters: every term counts", {Call::Filter, keep(Repeated(u";", 2999)), 9, 9, nullptr, nullptr}},
      {"3000 characters and more: finds nothing", {Call::Filter, keep(Repeated(u";", 3000)), 9, -1, NotFound, nullptr}},
      {"3000 characters and more: finds nothing", {Call::Filter, keep(Repeated(u"love;", 8 * Megabyte)), 0, -1, NotFound, nullptr}},
      {"thousands of terms", {Call::Filter, e_terms, 0, 0, nullptr, nullptr}},
      {"thousands of terms, the last in no entry", {Call::Filter, keep(std::u16string(e_terms).substr(0, 2980) + u"no such term;"), 0, -1, NotFound, nullptr}},
      {"lone surrogate in a term: '?'", {Call::Filter, u"\xD83D;", 0, 191, nullptr, nullptr}},
      {"embedded NUL ends the filter", {Call::Filter, u"love;\0no such term;", 0, 77, nullptr, nullptr}},
      {"lowest int32 start: from 0", {Call::Filter, u"", Min, 0, nullptr, nullptr}},
      {"highest int32 start", {Call::Filter, u";", Max, -1, NotFound, nullptr}},
  };
}

inline const std::vector<Input>& All() {
  static const std::vector<Input> all = Build();
  return all;
}

}  // namespace unusual

#endif
