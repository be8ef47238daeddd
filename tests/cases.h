// Calls and the answers they must give, shared by every host that tests the library (the
// Linux tests and the Windows host), so every platform is held to the same answers.
//
// An answer is one of: the entry `index` alone (FoodPicker), a search hit at `index` ("index-"
// and the entry), or a fixed message. Where `ending` is given, the answer must end with it.
#ifndef TUNELEDGER_TESTS_CASES_H
#define TUNELEDGER_TESTS_CASES_H

#include <cstdint>
#include <limits>
#include <string>

namespace cases {

enum class Call { Pick, Text, Filter };

struct Case {
  Call call;
  const char16_t* text;  // Text and Filter only; may be null
  std::int32_t number;   // the index, or the start
  int index;             // the entry answered, or -1 for a message
  const char16_t* message;
  const char16_t* ending;
};

inline constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
inline constexpr char16_t OutOfRange[] = u"Out of range";
inline constexpr char16_t NotFound[] = u"NOT FOUND!";
inline constexpr char16_t Entry0[] = u"|1506|302|1|(x29)|2118242|883369738";
inline constexpr char16_t Entry3[] = u"|2547|6|7|0|659366|734857487";
inline constexpr char16_t Entry4[] = u"|1223|186|1|(x124)|2905678|718865961";
inline constexpr char16_t Entry11081[] = u"|1|0|167|0|46547|46547";

inline constexpr Case All[] = {
    // Index lookup: 0 to 11081, nothing else, although 11082 and 11083 are stored.
    {Call::Pick, nullptr, 0, 0, nullptr, Entry0},
    {Call::Pick, nullptr, 3, 3, nullptr, Entry3},
    {Call::Pick, nullptr, 4, 4, nullptr, Entry4},
    {Call::Pick, nullptr, 11081, 11081, nullptr, Entry11081},
    {Call::Pick, nullptr, 11082, -1, OutOfRange, nullptr},
    {Call::Pick, nullptr, 11083, -1, OutOfRange, nullptr},
    {Call::Pick, nullptr, -1, -1, OutOfRange, nullptr},
    {Call::Pick, nullptr, Min, -1, OutOfRange, nullptr},
    {Call::Pick, nullptr, Max, -1, OutOfRange, nullptr},

    // Text search: first match from start, A to Z folded, across the bars.
    {Call::Text, u"(x124)", 0, 4, nullptr, Entry4},
    {Call::Text, u"(X124)", 0, 4, nullptr, Entry4},
    {Call::Text, u"(x124)", 4, 4, nullptr, Entry4},
    {Call::Text, u"(x124)", 5, -1, NotFound, nullptr},
    {Call::Text, u"|2547|6|7|", 0, 3, nullptr, Entry3},
    {Call::Text, u"|46547|", 0, 11081, nullptr, Entry11081},
    {Call::Text, u"|44323|", 0, -1, NotFound, nullptr},  // stored in 11083 only, never searched
    {Call::Text, u"|44962|", 0, -1, NotFound, nullptr},  // stored in 11082 only
    {Call::Text, u"", 0, 0, nullptr, Entry0},
    {Call::Text, u"", 7, 7, nullptr, nullptr},
    {Call::Text, u"", 11081, 11081, nullptr, Entry11081},
    {Call::Text, u"", 11082, -1, NotFound, nullptr},
    {Call::Text, u"", Max, -1, NotFound, nullptr},
    {Call::Text, u"", -1, 0, nullptr, Entry0},  // a negative start searches from 0
    {Call::Text, u"", Min, 0, nullptr, Entry0},
    {Call::Text, nullptr, 3, 3, nullptr, Entry3},  // a null text is the empty text
    {Call::Text, u"(x124)\0(x29)", 0, 4, nullptr, Entry4},  // the text ends at its first NUL
    {Call::Text, u"no such text anywhere", 0, -1, NotFound, nullptr},

    // Term filter: every ';'-closed term, each anywhere; a trailing piece is no term.
    {Call::Filter, u"(x124);", 0, 4, nullptr, Entry4},
    {Call::Filter, u"(x124);", 5, -1, NotFound, nullptr},
    {Call::Filter, u"(x124);|1|;", 0, 4, nullptr, Entry4},
    {Call::Filter, u"|1|;(X124);", 0, 4, nullptr, Entry4},
    {Call::Filter, u"(x124);|2|;", 0, -1, NotFound, nullptr},
    {Call::Filter, u"(x124)", 9, 9, nullptr, nullptr},
    {Call::Filter, u"(x124);no such text", 0, 4, nullptr, Entry4},
    {Call::Filter, u"", 3, 3, nullptr, Entry3},
    {Call::Filter, u";", 3, 3, nullptr, Entry3},
    {Call::Filter, u";;;(x124);;", 0, 4, nullptr, Entry4},
    {Call::Filter, nullptr, 11081, 11081, nullptr, Entry11081},
    {Call::Filter, u"", -5, 0, nullptr, Entry0},
    {Call::Filter, u"", 11082, -1, NotFound, nullptr},
    {Call::Filter, u"|46547|;", 0, 11081, nullptr, Entry11081},
    {Call::Filter, u"|44323|;", 0, -1, NotFound, nullptr},
};

// The answer case `c` must give, built from the entry texts that `pick(index)` gives.
template <typename Pick>
std::u16string Expected(const Case& c, Pick pick) {
  if (c.message) return c.message;
  std::u16string entry = pick(c.index);
  if (c.call == Call::Pick) return entry;
  std::u16string hit;
  for (char digit : std::to_string(c.index)) hit += static_cast<char16_t>(digit);
  return hit + u"-" + entry;
}

inline bool EndsWith(const std::u16string& text, const char16_t* ending) {
  std::u16string tail = ending ? ending : u"";
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace cases

#endif
