// The three exported operations, through the exported functions, held to the listed cases and
// to the reference model.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "data/chart_table.h"
#include "search/kernels/find_folded.h"
#include "search/operations.h"
#include "tests/kit/calls.h"
#include "tests/kit/cases.h"
#include "tests/kit/reference_model.h"
#include "tests/kit/text.h"
#include "tuneledger.h"

namespace {

using kit::Operation;
using kit::Read;
using kit::ToLibrary;

// Runs `check` once with each variant of the folded search this processor has.
template <typename Check>
void ForEachVariant(Check check) {
  std::size_t count = 0;
  const tuneledger::FindFoldedVariant* variants = tuneledger::FindFoldedVariants(&count);
  for (std::size_t v = 0; v < count; ++v) {
    SCOPED_TRACE(variants[v].name);
    tuneledger::UseFindFolded(variants[v].find);
    check();
  }
  tuneledger::UseFindFolded(nullptr);
}

// Each listed case answers as listed, and as the reference model does.
TEST(Operations, EveryListedCase) {
  const kit::CaseList list(reference::Lookup);
  const kit::Calls calls = kit::InProcess();
  ForEachVariant([&] {
    for (const kit::Case& c : list.All()) {
      std::u16string answer = kit::Answer(calls, c.operation, c.Text(), c.number);
      std::string problem = kit::Judge(c, answer, reference::Lookup);
      EXPECT_TRUE(problem.empty()) << problem;
      problem = kit::Compare(c, answer, reference::Answer(c.operation, c.Text(), c.number), "the model");
      EXPECT_TRUE(problem.empty()) << problem;
    }
  });
}

// Every hit of a text, from 0 on, by searching again from the hit's index plus one.
std::vector<int> PageThrough(const std::u16string& text, Operation operation) {
  std::vector<int> hits;
  for (std::int32_t start = 0;;) {
    std::u16string answer = kit::Answer(kit::InProcess(), operation, text.c_str(), start);
    if (answer == kit::NotFound) return hits;
    int index = kit::HitIndex(answer);
    EXPECT_EQ(answer, kit::Hit(index, Read(FoodPicker(index))));
    if (index == kit::NoEntry) return hits;
    hits.push_back(index);
    start = index + 1;
  }
}

std::vector<int> ReferenceHits(const std::u16string& text) {
  std::vector<int> hits;
  for (int i = reference::FirstTextHit(reference::Narrow(text.c_str()), 0); i >= 0;
       i = reference::FirstTextHit(reference::Narrow(text.c_str()), i + 1)) {
    hits.push_back(i);
  }
  return hits;
}

TEST(Operations, PagingGivesEveryHitInOrder) {
  ForEachVariant([] {
    for (std::u16string text : {u"love", u"NIGHT", u"|1|0|", u"(x1)", u"e", u"\u00c3\u00a9", u"?", u"s (", u"3|0|"}) {
      SCOPED_TRACE(testing::PrintToString(text));
      std::vector<int> hits = PageThrough(text, Operation::TextSearch);
      EXPECT_EQ(hits, ReferenceHits(text));
      EXPECT_FALSE(hits.empty());
    }
    // A filter of one term pages through the same hits as a search for that term.
    EXPECT_EQ(PageThrough(u"Love;", Operation::TermFilter), ReferenceHits(u"love"));
  });
}

TEST(Operations, FilterIsAConjunction) {
  ForEachVariant([] {
    std::vector<int> both = PageThrough(u"the;|1|;", Operation::TermFilter);
    std::vector<int> expected;
    for (int i : ReferenceHits(u"the")) {
      if (reference::FirstTextHit("|1|", i) == i) expected.push_back(i);
    }
    EXPECT_EQ(both, expected);
    EXPECT_FALSE(both.empty());
  });
}

// A term given more than once counts once, whether the repeats stand side by side or apart,
// differ in case, or begin or end another term; the filter pages exactly as without them.
TEST(Operations, RepeatedTermsCountOnce) {
  auto times = [](const std::u16string& text, int count) {
    std::u16string out;
    for (int i = 0; i < count; ++i) out += text;
    return out;
  };
  const struct {
    std::u16string repeated;
    std::u16string distinct;
  } cases[] = {
      {u"night;love;night;", u"night;love;"},
      {u"love;night;LOVE;Night;love;", u"love;night;"},
      {u"the;th;the;he;th;", u"the;th;he;"},
      {u"a;a;b;a;b;b;", u"a;b;"},
      {u";;me;;you;me;;you;", u"me;you;"},
      {u"zz;e;zz;", u"zz;e;"},
      {u"a;a;;b;b;b;c;", u"a;b;c;"},
      {u"th;the;the;th;", u"th;the;"},
      {u"love;love;lov", u"love;"},
      {u"ab;ab;abc;ab;", u"ab;abc;"},
      {times(u"0;", 150) + u"1;" + times(u"0;", 3), u"0;1;"},
      {times(u"night;", 97) + u"nigh;" + times(u"love;", 41) + u"love", u"night;nigh;love;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kit::Printable(c.repeated));
    const std::vector<int> hits = PageThrough(c.repeated, Operation::TermFilter);
    EXPECT_EQ(hits, PageThrough(c.distinct, Operation::TermFilter));
    for (std::int32_t start : {0, 5000}) {
      EXPECT_EQ(kit::Answer(kit::InProcess(), Operation::TermFilter, c.repeated.c_str(), start),
                reference::TermFilter(c.repeated.c_str(), start));
    }
  }
}

TEST(Operations, HitsKeepTheStoredCase) {
  std::u16string hit = Read(FoodPickerText(ToLibrary(u"HIDDEN WOLVES"), 0));
  EXPECT_NE(hit.find(u"Hidden Wolves"), std::u16string::npos);
}

// Entries keep UTF-8 bytes; they come back one code-page character per byte, never decoded.
TEST(Operations, HighBytesComeBackThroughTheCodePage) {
  int index = -1;
  for (int i = 0; i <= tuneledger::LastEntryIndex && index < 0; ++i) {
    if (tuneledger::EntryText(i).find("\xc3\xa9") != std::string_view::npos) index = i;  // UTF-8 e acute
  }
  ASSERT_GE(index, 0);
  std::u16string entry = Read(FoodPicker(index));
  EXPECT_NE(entry.find(u"\u00c3\u00a9"), std::u16string::npos);
  EXPECT_EQ(entry.find(u'\u00e9'), std::u16string::npos);
  // The same two characters find it again.
  EXPECT_EQ(kit::HitIndex(Read(FoodPickerText(ToLibrary(u"\u00c3\u00a9"), index))), index);
}

TEST(Operations, CharactersBeyondTheCodePageSearchAsQuestionMarks) {
  // Entries whose UTF-8 lost bytes to '?' hold "\xc3?"; U+0100 and an emoji stand for '?'.
  for (std::u16string text : {u"\u00c3\u0100", u"\u00c3\U0001F600", u"\u00c3?"}) {
    EXPECT_EQ(Read(FoodPickerText(ToLibrary(text.c_str()), 0)), reference::TextSearch(u"\u00c3?", 0));
  }
  EXPECT_NE(Read(FoodPickerText(ToLibrary(u"\u00c3?"), 0)), kit::NotFound);
}

// A search text is matched in full, whatever its length; one longer than any entry is in none.
TEST(Operations, LongSearchTexts) {
  int longest = 0;
  for (int i = 0; i <= tuneledger::LastEntryIndex; ++i) {
    if (tuneledger::EntryText(i).size() > tuneledger::EntryText(longest).size()) longest = i;
  }
  std::string whole(tuneledger::EntryText(longest));
  ASSERT_EQ(whole.size(), 169u);
  const std::string texts[] = {whole, whole.substr(100), whole.substr(0, 56), whole.substr(3, 80)};
  for (const std::string& text : texts) {
    std::u16string wide = kit::WideFromBytes(text);
    EXPECT_EQ(Read(FoodPickerText(ToLibrary(wide.c_str()), 0)), reference::TextSearch(wide.c_str(), 0));
  }
  std::u16string hit = Read(FoodPickerText(ToLibrary(kit::WideFromBytes(whole).c_str()), 0));
  EXPECT_EQ(hit, kit::Hit(longest, kit::WideFromBytes(whole)));

  std::u16string longer = kit::WideFromBytes(whole + "x");
  EXPECT_EQ(Read(FoodPickerText(ToLibrary(longer.c_str()), 0)), kit::NotFound);
  std::u16string megabytes(4 << 20, u'a');
  EXPECT_EQ(Read(FoodPickerText(ToLibrary(megabytes.c_str()), 0)), kit::NotFound);
}

// Terms count whatever their number and length, up to a filter of 2999 characters.
TEST(Operations, ManyAndLongTerms) {
  std::string entry(tuneledger::EntryText(4));
  std::string many;
  for (std::size_t i = 0; i + 3 <= entry.size(); i += 2) many += entry.substr(i, 3) + ";";
  ASSERT_GT(many.size() / 4, 20u);
  std::string long_term = entry.substr(0, 60) + ";";
  std::string broken = many + "no such term;";
  for (const std::string& filter : {many, long_term, broken}) {
    std::u16string wide = kit::WideFromBytes(filter);
    EXPECT_EQ(Read(FoodPickerFilter(ToLibrary(wide.c_str()), 0)), reference::TermFilter(wide.c_str(), 0));
  }
  EXPECT_EQ(Read(FoodPickerFilter(ToLibrary(kit::WideFromBytes(broken).c_str()), 0)), kit::NotFound);

  std::u16string fits(2999, u';');
  EXPECT_EQ(Read(FoodPickerFilter(ToLibrary(fits.c_str()), 9)), kit::Hit(9, Read(FoodPicker(9))));
  std::u16string too_long(3000, u';');
  EXPECT_EQ(Read(FoodPickerFilter(ToLibrary(too_long.c_str()), 9)), kit::NotFound);
}

// The operations take the text's length from the exported frame, which never hands them more
// than their fields hold; they refuse more on their own all the same, before any of it is read
// as a term or needle.
TEST(Operations, OperationsRefuseTextsLongerThanAnyField) {
  std::string search(tuneledger::LongestEntry + 1, 'e');
  EXPECT_EQ(tuneledger::TextSearch(search.data(), search.size(), 0), tuneledger::NoEntry);
  std::string filter(tuneledger::LongestFilter + 1, ';');
  EXPECT_EQ(tuneledger::TermFilter(filter.data(), filter.size(), 0), tuneledger::NoEntry);
  filter.pop_back();
  EXPECT_EQ(tuneledger::TermFilter(filter.data(), filter.size(), 0), 0);
}

std::string Repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// Filters built to be hard: repeated terms, the same term in other cases, terms that hold each
// other, many common terms with one that fails last, terms whose pieces all occur but never
// together, and bytes the quick test takes for others. Each is asked from several starts, up
// to the last entry.
TEST(Operations, HostileFiltersAgreeWithTheModel) {
  const std::string filters[] = {
      " |;" + Repeated("0;", 1496) + "e0;",
      Repeated("0|;", 998) + "e0;",
      Repeated("|0|;", 748) + "\\i\\;",
      Repeated("0;", 1400) + "the;",
      Repeated("the;THE;tHe;", 200) + "|1|;",
      "e;ee;the;th;t;h;(x;(x1;",
      "love;LOVE;lo;ve;o;night;",
      "feat;night;velvet;",
      "the;light;tonight;",
      "|0|;(x;",
      "|1|;|0|0|;",
      "zq;the;",
      "lnb;",
      "e0;",
      "\\;",
      "@;",
      "`;e;",
      "er |;|1|;(x1);",
      "a;b;c;d;e;f;g;h;i;j;k;l;m;n;o;p;q;r;s;t;u;v;w;x;y;z;",
      "0;1;2;3;4;5;6;7;8;9;|;(;);",
      "ah;a;",  // a later term that begins an earlier one, in the same slot of the set of terms
      // terms a longer one holds, before and after it, at its start, inside and at its end
      "0|;0|1;|0|1;",
      "1|;|0|1;0|;|0|1;",
      "e;THE;th;he;x;",
      "(x;x1);(x1);;",
      "le;ov;lov;love;ve;night;",
      "ab;b;bz;",
  };
  const std::int32_t starts[] = {0, 1, 77, 5000, 10921, 10922, 11000, 11081};
  ForEachVariant([&] {
    for (const std::string& filter : filters) {
      std::u16string wide = kit::WideFromBytes(filter);
      for (std::int32_t start : starts) {
        SCOPED_TRACE(testing::Message() << filter.substr(0, 40) << " from " << start);
        EXPECT_EQ(Read(FoodPickerFilter(ToLibrary(wide.c_str()), start)), reference::TermFilter(wide.c_str(), start));
      }
    }
  });
}

// Filters of a few pieces of one entry, in random case, some repeated, some with a letter
// changed, each paged through every hit: the model gives the same hits in the same order.
TEST(Operations, FiltersOfPiecesOfEntriesPageLikeTheModel) {
  std::mt19937 random(2024);
  auto pick = [&](std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random); };
  for (int round = 0; round < 60; ++round) {
    const std::string entry(tuneledger::EntryText(static_cast<int>(pick(tuneledger::LastEntryIndex + 1))));
    std::string filter;
    for (std::size_t terms = 1 + pick(4); terms > 0; --terms) {
      std::size_t from = pick(entry.size());
      std::string term = entry.substr(from, 1 + pick(std::min<std::size_t>(6, entry.size() - from)));
      for (char& c : term) {
        if (pick(2) != 0 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c = static_cast<char>(c ^ 0x20);
      }
      if (round % 5 == 0) term[pick(term.size())] = static_cast<char>('a' + pick(26));
      if (term.find(';') != std::string::npos) continue;
      filter += term + ";" + (pick(4) == 0 ? term + ";" : "");
    }
    if (filter.empty()) continue;
    std::u16string wide = kit::WideFromBytes(filter);
    SCOPED_TRACE(filter);
    std::vector<int> expected;
    for (std::int32_t start = 0;; ) {
      std::u16string hit = reference::TermFilter(wide.c_str(), start);
      if (hit == kit::NotFound) break;
      expected.push_back(kit::HitIndex(hit));
      start = expected.back() + 1;
    }
    EXPECT_EQ(PageThrough(wide, Operation::TermFilter), expected);
  }
}

// Filters whose terms all stand in most entries, paged through every hit: each next hit is
// mostly a few entries on, looked for there before the index is asked.
TEST(Operations, CommonTermFiltersPageLikeTheModel) {
  const char16_t* filters[] = {u"e;a;o;", u"0;1;2;3;4;5;6;7;8;9;", u"|;e;", u"E;|0|;", u"e;|1|0|;"};
  ForEachVariant([&] {
    for (const char16_t* filter : filters) {
      SCOPED_TRACE(testing::PrintToString(std::u16string(filter)));
      std::vector<int> expected;
      for (std::int32_t start = 0;;) {
        std::u16string hit = reference::TermFilter(filter, start);
        if (hit == kit::NotFound) break;
        expected.push_back(kit::HitIndex(hit));
        start = expected.back() + 1;
      }
      EXPECT_EQ(PageThrough(filter, Operation::TermFilter), expected);
      EXPECT_FALSE(expected.empty());
    }
  });
}

TEST(Operations, EachOperationKeepsItsOwnResult) {
  const tuneledger_char* entry = FoodPicker(0);
  const tuneledger_char* hit = FoodPickerText(ToLibrary(u"(x124)"), 0);
  const tuneledger_char* filtered = FoodPickerFilter(ToLibrary(u";"), 3);
  FoodPicker(-1);
  FoodPickerText(ToLibrary(u"no such text"), 0);
  EXPECT_EQ(Read(entry), kit::OutOfRange);
  EXPECT_EQ(Read(hit), kit::NotFound);
  EXPECT_EQ(Read(filtered).substr(0, 2), u"3-");
}

}  // namespace
