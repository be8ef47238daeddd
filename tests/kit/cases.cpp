#include "tests/kit/cases.h"

#include <limits>
#include <utility>

#include "tests/kit/text.h"

namespace kit {
namespace {

using namespace std::string_view_literals;

constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
constexpr std::size_t Megabyte = std::size_t{1} << 20;

constexpr char16_t Entry0[] = u"|1506|302|1|(x29)|2118242|883369738";
constexpr char16_t Entry3[] = u"|2547|6|7|0|659366|734857487";
constexpr char16_t Entry4[] = u"|1223|186|1|(x124)|2905678|718865961";
constexpr char16_t Entry11081[] = u"|1|0|167|0|46547|46547";

constexpr Operation Lookup = Operation::Lookup;
constexpr Operation TextSearch = Operation::TextSearch;
constexpr Operation TermFilter = Operation::TermFilter;
constexpr std::u16string_view Null{};

bool EndsWith(const std::u16string& text, const char16_t* ending) {
  std::u16string_view tail = ending ? ending : u"";
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

CaseList::CaseList(const EntrySource& entry) {
  // Entry 1535 is the longest, 169 bytes: no text of more characters can be in any entry.
  const std::u16string_view longest = Keep(entry(1535));
  const std::u16string_view e_terms = Keep(Repeated(u"e;", 2998));  // 1499 terms, 2998 characters

  // Lookup: 0 to 11081, nothing else (below), although 11082 and 11083 are stored.
  Add({
      {Lookup, Null, 0, 0, nullptr, Entry0},
      {Lookup, Null, 3, 3, nullptr, Entry3},
      {Lookup, Null, 4, 4, nullptr, Entry4},
      {Lookup, Null, 11081, 11081, nullptr, Entry11081},
  });
  // Text search: first match from start, A to Z folded, across the bars.
  Add({
      {TextSearch, u"(x124)", 0, 4, nullptr, Entry4},
      {TextSearch, u"(X124)", 0, 4, nullptr, Entry4},
      {TextSearch, u"(x124)", 4, 4, nullptr, Entry4},
      {TextSearch, u"(x124)", 5, NoEntry, NotFound, nullptr},
      {TextSearch, u"|2547|6|7|", 0, 3, nullptr, Entry3},
      {TextSearch, u"|46547|", 0, 11081, nullptr, Entry11081},
      {TextSearch, u"|44323|", 0, NoEntry, NotFound, nullptr},  // stored in 11083 only, never searched
      {TextSearch, u"|44962|", 0, NoEntry, NotFound, nullptr},  // stored in 11082 only
      {TextSearch, u"", 0, 0, nullptr, Entry0},
      {TextSearch, u"", 7, 7, nullptr, nullptr},
      {TextSearch, u"", 11081, 11081, nullptr, Entry11081},
      {TextSearch, Null, 3, 3, nullptr, Entry3},  // a null text is the empty text
      {TextSearch, u"no such text anywhere", 0, NoEntry, NotFound, nullptr},
      {TextSearch, u"0a", 0, NoEntry, NotFound, nullptr},  // common bytes, a pair in no entry
  });
  // Term filter: every ';'-closed term, each anywhere; a trailing piece is no term.
  Add({
      {TermFilter, u"(x124);", 0, 4, nullptr, Entry4},
      {TermFilter, u"(x124);", 5, NoEntry, NotFound, nullptr},
      {TermFilter, u"(x124);|1|;", 0, 4, nullptr, Entry4},
      {TermFilter, u"|1|;(X124);", 0, 4, nullptr, Entry4},
      {TermFilter, u"(x124);|2|;", 0, NoEntry, NotFound, nullptr},
      {TermFilter, u"(x124)", 9, 9, nullptr, nullptr},
      {TermFilter, u"(x124);no such text", 0, 4, nullptr, Entry4},
      {TermFilter, u"", 3, 3, nullptr, Entry3},
      {TermFilter, u";", 3, 3, nullptr, Entry3},
      {TermFilter, u";;;(x124);;", 0, 4, nullptr, Entry4},
      {TermFilter, u"", -5, 0, nullptr, Entry0},
      {TermFilter, u"", 11082, NoEntry, NotFound, nullptr},
      {TermFilter, u"|46547|;", 0, 11081, nullptr, Entry11081},
      {TermFilter, u"|44323|;", 0, NoEntry, NotFound, nullptr},
  });
  // A caller's text is copied many plain characters a step: one beyond them stops the step at
  // every place, after runs of every length up to a few steps.
  for (std::size_t length = 0; length <= 17; ++length) {
    const std::u16string run(length, u';');
    Add({
        {TermFilter, Keep(run + u"\u0100;" + run), 0, 191, nullptr, nullptr},  // '?'
        {TermFilter, Keep(run + u"\u20AC;"), 0, 730, nullptr, nullptr},        // byte 0x80
    });
  }

  // Unusual input, row by row as README shows it.
  Add({R"md(index below 0 or above 11081, down to INT32_MIN and up to INT32_MAX)md",
       R"md(`FoodPicker(-1)`, `FoodPicker(11083)`)md",
       R"md(`Out of range` (11082 and 11083 are stored, never given))md"},
      {
          {Lookup, Null, -1, NoEntry, OutOfRange, nullptr},
          {Lookup, Null, Min, NoEntry, OutOfRange, nullptr},
          {Lookup, Null, Max, NoEntry, OutOfRange, nullptr},
          {Lookup, Null, 11082, NoEntry, OutOfRange, nullptr},
          {Lookup, Null, 11083, NoEntry, OutOfRange, nullptr},
      });
  Add({R"md(null text)md", R"md(`FoodPickerText(NULL, 0)`)md", R"md(the empty text, found at once: `0-…`)md"},
      {
          {TextSearch, Null, 0, 0, nullptr, nullptr},
      });
  Add({R"md(start below 0, down to INT32_MIN)md", R"md(`FoodPickerText(u"(x124)", INT32_MIN)`)md",
       R"md(searches from 0: `4-…`)md"},
      {
          {TextSearch, u"(x124)", Min, 4, nullptr, nullptr},
          {TextSearch, u"", -1, 0, nullptr, Entry0},
          {TextSearch, u"", Min, 0, nullptr, Entry0},
      });
  Add({R"md(start above 11081, up to INT32_MAX)md", R"md(`FoodPickerText(u"", 11082)`)md", R"md(`NOT FOUND!`)md"},
      {
          {TextSearch, u"", 11082, NoEntry, NotFound, nullptr},
          {TextSearch, u"", Max, NoEntry, NotFound, nullptr},
      });
  Add({R"md(lone surrogate, high or low)md", R"md(`u"\xD83D"`, `u"\xDE00"`)md", R"md(one `?`: `191-Indigo \|…?…`)md"},
      {
          {TextSearch, u"\xD83D", 0, 191, nullptr, nullptr},
          {TextSearch, u"\xDE00", 0, 191, nullptr, nullptr},
      });
  Add({R"md(surrogate pair)md", R"md(`u"\U0001F600"`)md", R"md(one character beyond the code page, one `?`: `191-…`)md"},
      {
          {TextSearch, u"\U0001F600", 0, 191, nullptr, nullptr},
      });
  Add({R"md(reversed pair)md", R"md(`u"\xDE00\xD83D"`)md", R"md(two lone surrogates, `??`: `NOT FOUND!`)md"},
      {
          {TextSearch, u"\xDE00\xD83D", 0, NoEntry, NotFound, nullptr},
      });
  Add({R"md(character beyond the code page)md", R"md(`u"Ã\u0100"`, `u"\u0080"`, `u"\uFFFF"`)md",
       R"md(`?`: `396-Glass Comets \|SeÃ?orita (Edit)\|…`, `191-…`, `191-…`)md"},
      {
          {TextSearch, u"\u00C3\u0100", 0, 396, nullptr, nullptr},
          {TextSearch, u"\u0080", 0, 191, nullptr, nullptr},
          {TextSearch, u"\uFFFF", 0, 191, nullptr, nullptr},
      });
  Add({R"md(the code page's own characters above 0x7F)md", R"md(`u"€"`, `u"\u0081"`)md",
       R"md(their bytes, 0x80 and 0x81: `730-…`, `197-…`)md"},
      {
          {TextSearch, u"\u20AC", 0, 730, nullptr, nullptr},
          {TextSearch, u"\u0081", 0, 197, nullptr, nullptr},
      });
  Add({R"md(a letter beyond A to Z in another case)md", R"md(`u"é"`)md",
       R"md(not folded, so only byte 0xE9 matches; no entry holds it: `NOT FOUND!`)md"},
      {
          {TextSearch, u"\u00E9", 0, NoEntry, NotFound, nullptr},
      });
  Add({R"md(NUL inside the text)md", R"md(`u"(x124)\0(x29)"`)md", R"md(the text ends at the NUL: `4-…`)md"},
      {
          {TextSearch, u"(x124)\0(x29)"sv, 0, 4, nullptr, Entry4},
      });
  Add({R"md(NUL first)md", R"md(`u"\0love"` from 5)md", R"md(the empty text: `5-…`)md"},
      {
          {TextSearch, u"\0love"sv, 5, 5, nullptr, nullptr},
      });
  Add({R"md(text of 169 characters)md", R"md(entry 1535, the longest)md", R"md(`1535-…`)md"},
      {
          {TextSearch, longest, 0, 1535, nullptr, nullptr},
      });
  Add({R"md(text of 170 characters or more, up to megabytes)md", R"md(1 Mi `a`; 16 MB)md",
       R"md(`NOT FOUND!`, having read 170 characters)md"},
      {
          {TextSearch, Keep(std::u16string(longest) + u"x"), 0, NoEntry, NotFound, nullptr},
          {TextSearch, Keep(Repeated(u"a", Megabyte)), 0, NoEntry, NotFound, nullptr},
          {TextSearch, Keep(Repeated(longest, 8 * Megabyte)), 0, NoEntry, NotFound, nullptr},
      });
  Add({R"md(null filter)md", R"md(`FoodPickerFilter(NULL, 11081)`)md", R"md(no terms, every entry passes: `11081-…`)md"},
      {
          {TermFilter, Null, 11081, 11081, nullptr, Entry11081},
      });
  Add({R"md(filter without `;`)md", R"md(`u"no such text"` from 9)md", R"md(no terms: `9-…`)md"},
      {
          {TermFilter, u"no such text", 9, 9, nullptr, nullptr},
      });
  Add({R"md(run of `;`)md", R"md(`u";;;;"` from 3)md", R"md(empty terms, in every entry: `3-…`)md"},
      {
          {TermFilter, u";;;;", 3, 3, nullptr, nullptr},
      });
  Add({R"md(filter of 2999 characters)md", R"md(2999 `;` from 9)md", R"md(every term counts: `9-…`)md"},
      {
          {TermFilter, Keep(Repeated(u";", 2999)), 9, 9, nullptr, nullptr},
      });
  Add({R"md(filter of 3000 characters or more, up to megabytes)md", R"md(3000 `;`; `love;` to 16 MB)md",
       R"md(`NOT FOUND!`, having read 3000 characters)md"},
      {
          {TermFilter, Keep(Repeated(u";", 3000)), 9, NoEntry, NotFound, nullptr},
          {TermFilter, Keep(Repeated(u"love;", 8 * Megabyte)), 0, NoEntry, NotFound, nullptr},
      });
  Add({R"md(thousands of terms)md", R"md(`e;` 1499 times)md", R"md(every term counts: `0-…`)md"},
      {
          {TermFilter, e_terms, 0, 0, nullptr, nullptr},
      });
  Add({R"md(thousands of terms, the last in no entry)md", R"md(`e;` 1490 times, `no such term;`)md",
       R"md(`NOT FOUND!`)md"},
      {
          {TermFilter, Keep(std::u16string(e_terms.substr(0, 2980)) + u"no such term;"), 0, NoEntry, NotFound, nullptr},
      });
  Add({R"md(lone surrogate in a term)md", R"md(`u"\xD83D;"`)md", R"md(one `?`: `191-…`)md"},
      {
          {TermFilter, u"\xD83D;", 0, 191, nullptr, nullptr},
      });
  Add({R"md(NUL inside the filter)md", R"md(`u"love;\0no such term;"`)md", R"md(the filter ends at the NUL: `77-…`)md"},
      {
          {TermFilter, u"love;\0no such term;"sv, 0, 77, nullptr, nullptr},
      });
  Add({R"md(start INT32_MIN or INT32_MAX for the filter)md", R"md(`u""`, `u";"`)md",
       R"md(from 0: `0-…`; `NOT FOUND!`)md"},
      {
          {TermFilter, u"", Min, 0, nullptr, nullptr},
          {TermFilter, u";", Max, NoEntry, NotFound, nullptr},
      });
}

void CaseList::Add(std::vector<Case> cases) {
  for (Case& c : cases) cases_.push_back(std::move(c));
}

void CaseList::Add(const Row& row, std::vector<Case> cases) {
  rows_.push_back(row);
  for (Case& c : cases) c.kind = row.input;
  Add(std::move(cases));
}

std::u16string_view CaseList::Keep(std::u16string text) { return texts_.emplace_back(std::move(text)); }

std::string TableOf(const std::vector<Row>& rows) {
  std::string table = "| Input | Example | Answer |\n|---|---|---|\n";
  for (const Row& row : rows) {
    table += std::string("| ") + row.input + " | " + row.example + " | " + row.answer + " |\n";
  }
  return table;
}

std::u16string Expected(const Case& c, const EntrySource& entry) {
  if (c.message) return c.message;
  if (c.operation == Operation::Lookup) return entry(c.index);
  return Hit(c.index, entry(c.index));
}

std::string Describe(const Case& c) {
  std::string call = std::string(NameOf(c.operation)) + "(";
  if (c.operation != Operation::Lookup) call += (c.Text() ? Printable(c.text) : std::string("null")) + ", ";
  call += std::to_string(c.number) + ")";
  if (c.kind) call += std::string(" [") + c.kind + "]";
  return call;
}

std::string Compare(const Case& c, const std::u16string& got, const std::u16string& other, const char* whose) {
  if (got == other) return {};
  return Describe(c) + "\n  " + whose + ": " + Printable(other, ResultCapacity) + "\n  got: " +
         Printable(got, ResultCapacity);
}

std::string Judge(const Case& c, const std::u16string& got, const EntrySource& entry) {
  std::string problem = Compare(c, got, Expected(c, entry), "expected");
  if (problem.empty() && !EndsWith(got, c.ending)) {
    problem = Describe(c) + "\n  expected an answer ending " + Printable(c.ending) + "\n  got: " +
              Printable(got, ResultCapacity);
  }
  return problem;
}

std::vector<std::string> JudgeEveryCase(const Calls& calls) {
  const EntrySource entry = [&](int i) { return Answer(calls, Operation::Lookup, nullptr, i); };
  const CaseList list(entry);
  std::vector<std::string> problems;
  for (const Case& c : list.All()) problems.push_back(Judge(c, Answer(calls, c.operation, c.Text(), c.number), entry));
  return problems;
}

std::u16string Repeated(std::u16string_view piece, std::size_t units) {
  std::u16string text;
  text.reserve(units);
  while (text.size() < units) text += piece;
  text.resize(units);
  return text;
}

}  // namespace kit
