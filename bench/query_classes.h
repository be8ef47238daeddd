// The kinds of query the benchmark times, with the concrete inputs that stand for them.
//
// Every input was chosen by looking at data/chart.txt (grep -ci and friends, with A-Z folded as
// the library folds them), and each class is timed from entry 0 and from a start in the middle
// of the table. The expected answers are written down here, so that the benchmark refuses to
// time anything whose answer is not the one it was chosen for.
#ifndef TUNELEDGER_BENCH_QUERY_CLASSES_H
#define TUNELEDGER_BENCH_QUERY_CLASSES_H

namespace tuneledger_bench {

inline constexpr int NotFound = -1;

// Every query class is timed from each of these starts.
inline constexpr int StartCount = 2;
inline constexpr int Starts[StartCount] = {0, 5000};

enum class Kind {
  Text,      // FoodPickerText(query, start): the first hit
  Filter,    // FoodPickerFilter(query, start): the first entry holding every term
  PageText,  // FoodPickerText again from each hit + 1 until NOT FOUND: every hit
  Pick,      // FoodPicker(start): one entry by index
};

struct QueryClass {
  const char* name;      // short and without spaces, for the benchmark's names
  const char* stresses;  // one line: what this class puts under strain
  Kind kind;
  const char* query;     // 8-bit, plain ASCII so every peer folds it alike; unused by Pick
  // Per start: the hit's index (NotFound for none); for PageText the number of hits; for Pick
  // the index itself.
  int expected[StartCount];
};

inline constexpr QueryClass QueryClasses[] = {
    {"miss_6_bytes", "a text in no entry, of rare letters: every entry must be ruled out",
     Kind::Text, "qzxjvk", {NotFound, NotFound}},
    {"miss_common_words",
     "a text in no entry made of common words: each piece is everywhere, only the whole is not",
     Kind::Text, "love the night away", {NotFound, NotFound}},
    {"rare_late", "one hit in the table's very last entry: the whole span is passed over first",
     Kind::Text, "|46547|", {11081, 11081}},
    {"common_early", "a common word (223 hits) found within a few entries: cost per call",
     Kind::Text, "love", {77, 5072}},
    {"1_byte_present", "a rare single byte (2 entries): too short for any 3-byte index",
     Kind::Text, ";", {543, 10795}},
    {"1_byte_absent", "a single byte no entry holds: a full pass with nothing to skip on",
     Kind::Text, "~", {NotFound, NotFound}},
    {"2_bytes_present", "a rare byte pair (5 entries): too short for any 3-byte index",
     Kind::Text, "zq", {4193, 6286}},
    {"2_bytes_absent", "a byte pair no entry holds: a full pass with short needles",
     Kind::Text, "qz", {NotFound, NotFound}},
    {"paging_common", "every hit of a common text (620 from 0, 327 from 5000), one call per hit",
     Kind::PageText, "night", {620, 327}},
    {"filter_3_none", "3 common terms that share entries in pairs but never all three",
     Kind::Filter, "feat;night;velvet;", {NotFound, NotFound}},
    {"filter_1_none", "1 term of common words in no entry: what one term costs when nothing passes",
     Kind::Filter, "love the night away;", {NotFound, NotFound}},
    {"filter_10_none", "10 of the most common terms, never all in one entry: cost per term",
     Kind::Filter, "the;feat;light;night;summer;heart;dance;velvet;radio;mix;",
     {NotFound, NotFound}},
    {"filter_late", "3 common terms first together in entry 10922: many partial candidates",
     Kind::Filter, "the;light;tonight;", {10922, 10922}},
    {"pick", "one entry by index: one table read and one conversion to UTF-16",
     Kind::Pick, "", {0, 5000}},
};

}  // namespace tuneledger_bench

#endif
