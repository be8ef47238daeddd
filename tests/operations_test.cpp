// The three exported operations, through the exported functions, held to the shared cases and
// to the reference model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cases.h"
#include "chart_table.h"
#include "matching.h"
#include "reference_model.h"
#include "test_support.h"
#include "tuneledger.h"

namespace {

std::u16string Call(const cases::Case& c) {
  switch (c.call) {
    case cases::Call::Pick: return Answer(FoodPicker(c.number));
    case cases::Call::Text: return Answer(FoodPickerText(Caller(c.text), c.number));
    case cases::Call::Filter: return Answer(FoodPickerFilter(Caller(c.text), c.number));
  }
  return {};
}

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

TEST(Operations, SharedCases) {
  ForEachVariant([] {
    for (const cases::Case& c : cases::All) {
      SCOPED_TRACE(testing::Message() << "call " << static_cast<int>(c.call) << " number " << c.number << " text "
                                      << testing::PrintToString(std::u16string(c.text ? c.text : u"(null)")));
      std::u16string answer = Call(c);
      EXPECT_EQ(answer, cases::Expected(c, reference::Pick));
      EXPECT_TRUE(cases::EndsWith(answer, c.ending));
    }
  });
}

// Every hit of a text, from 0 on, by searching again from the hit's index plus one.
std::vector<int> PageThrough(const std::u16string& text, bool filter) {
  std::vector<int> hits;
  for (std::int32_t start = 0;;) {
    std::u16string answer = Answer(filter ? FoodPickerFilter(Caller(text.c_str()), start)
                                          : FoodPickerText(Caller(text.c_str()), start));
    if (answer == u"NOT FOUND!") return hits;
    int index = std::stoi(std::string(answer.begin(), answer.begin() + answer.find(u'-')));
    EXPECT_EQ(answer, U16(std::to_string(index)) + u"-" + Answer(FoodPicker(index)));
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
      std::vector<int> hits = PageThrough(text, false);
      EXPECT_EQ(hits, ReferenceHits(text));
      EXPECT_FALSE(hits.empty());
    }
    // A filter of one term pages through the same hits as a search for that term.
    EXPECT_EQ(PageThrough(u"Love;", true), ReferenceHits(u"love"));
  });
}

TEST(Operations, FilterIsAConjunction) {
  ForEachVariant([] {
    std::vector<int> both = PageThrough(u"the;|1|;", true);
    std::vector<int> expected;
    for (int i : ReferenceHits(u"the")) {
      if (reference::FirstTextHit("|1|", i) == i) expected.push_back(i);
    }
    EXPECT_EQ(both, expected);
    EXPECT_FALSE(both.empty());
  });
}

TEST(Operations, HitsKeepTheStoredCase) {
  std::u16string hit = Answer(FoodPickerText(Caller(u"HIDDEN WOLVES"), 0));
  EXPECT_NE(hit.find(u"Hidden Wolves"), std::u16string::npos);
}

// Entries keep UTF-8 bytes; they come back one code-page character per byte, never decoded.
TEST(Operations, HighBytesComeBackThroughTheCodePage) {
  int index = -1;
  for (int i = 0; i <= tuneledger::LastEntryIndex && index < 0; ++i) {
    if (tuneledger::EntryText(i).find("\xc3\xa9") != std::string_view::npos) index = i;  // UTF-8 e acute
  }
  ASSERT_GE(index, 0);
  std::u16string entry = Answer(FoodPicker(index));
  EXPECT_NE(entry.find(u"\u00c3\u00a9"), std::u16string::npos);
  EXPECT_EQ(entry.find(u'\u00e9'), std::u16string::npos);
  // The same two characters find it again.
  EXPECT_EQ(Answer(FoodPickerText(Caller(u"\u00c3\u00a9"), index)).substr(0, std::to_string(index).size() + 1),
            U16(std::to_string(index) + "-"));
}

TEST(Operations, CharactersBeyondTheCodePageSearchAsQuestionMarks) {
  // Entries whose UTF-8 lost bytes to '?' hold "\xc3?"; U+0100 and an emoji stand for '?'.
  for (std::u16string text : {u"\u00c3\u0100", u"\u00c3\U0001F600", u"\u00c3?"}) {
    EXPECT_EQ(Answer(FoodPickerText(Caller(text.c_str()), 0)), reference::SearchText(u"\u00c3?", 0));
  }
  EXPECT_NE(Answer(FoodPickerText(Caller(u"\u00c3?"), 0)), u"NOT FOUND!");
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
    std::u16string wide = reference::Wide(text);
    EXPECT_EQ(Answer(FoodPickerText(Caller(wide.c_str()), 0)), reference::SearchText(wide.c_str(), 0));
  }
  std::u16string hit = Answer(FoodPickerText(Caller(reference::Wide(whole).c_str()), 0));
  EXPECT_EQ(hit, U16(std::to_string(longest)) + u"-" + reference::Wide(whole));

  std::u16string longer = reference::Wide(whole + "x");
  EXPECT_EQ(Answer(FoodPickerText(Caller(longer.c_str()), 0)), u"NOT FOUND!");
  std::u16string megabytes(4 << 20, u'a');
  EXPECT_EQ(Answer(FoodPickerText(Caller(megabytes.c_str()), 0)), u"NOT FOUND!");
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
    std::u16string wide = reference::Wide(filter);
    EXPECT_EQ(Answer(FoodPickerFilter(Caller(wide.c_str()), 0)), reference::Filter(wide.c_str(), 0));
  }
  EXPECT_EQ(Answer(FoodPickerFilter(Caller(reference::Wide(broken).c_str()), 0)), u"NOT FOUND!");

  std::u16string fits(2999, u';');
  EXPECT_EQ(Answer(FoodPickerFilter(Caller(fits.c_str()), 9)), U16("9-") + Answer(FoodPicker(9)));
  std::u16string too_long(3000, u';');
  EXPECT_EQ(Answer(FoodPickerFilter(Caller(too_long.c_str()), 9)), u"NOT FOUND!");
}

TEST(Operations, EachOperationKeepsItsOwnResult) {
  const tuneledger_char* entry = FoodPicker(0);
  const tuneledger_char* hit = FoodPickerText(Caller(u"(x124)"), 0);
  const tuneledger_char* filtered = FoodPickerFilter(Caller(u";"), 3);
  FoodPicker(-1);
  FoodPickerText(Caller(u"no such text"), 0);
  EXPECT_EQ(Answer(entry), u"Out of range");
  EXPECT_EQ(Answer(hit), u"NOT FOUND!");
  EXPECT_EQ(Answer(filtered).substr(0, 2), u"3-");
}

}  // namespace
