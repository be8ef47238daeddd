// The kinds of query the benchmark times, with the concrete inputs that stand for them.
//
// Every input was chosen by looking at data/chart.txt (grep -ci and friends, with A-Z folded as
// the library folds them), and each class is timed from entry 0 and from a start in the middle
// of the table. The expected answers are written down here, so that the benchmark refuses to
// time anything whose answer is not the one it was chosen for.
#ifndef TUNELEDGER_BENCH_QUERY_CLASSES_H
#define TUNELEDGER_BENCH_QUERY_CLASSES_H

#include "tests/kit/calls.h"

namespace tuneledger_bench {

using kit::NoEntry;
using kit::Operation;

// Every query class is timed from each of these starts.
inline constexpr int StartCount = 2;
inline constexpr int Starts[StartCount] = {0, 5000};

// The operations:
//   Lookup      FoodPicker(start): one entry by index
//   TextSearch  FoodPickerText(query, start): the first hit
//   TermFilter  FoodPickerFilter(query, start): the first entry holding every term
// and how far a search goes:
enum class Walk {
  FirstHit,  // one call: the first hit
  EveryHit,  // the same search again from each hit + 1 until NOT FOUND: every hit
};

struct QueryClass {
  const char* name;      // short and without spaces, for the benchmark's names
  const char* stresses;  // one line: what this class puts under strain
  Operation operation;
  Walk walk;
  const char* query;     // 8-bit, plain ASCII so every peer folds it alike; unused by Lookup
  // Per start: the hit's index (NoEntry for none); for EveryHit the number of hits; for Lookup
  // the index itself.
  int expected[StartCount];
};

inline constexpr QueryClass QueryClasses[] = {
    {"miss_6_bytes", "a text in no entry, of rare letters: every entry must be ruled out",
     Operation::TextSearch, Walk::FirstHit, "qzxjvk", {NoEntry, NoEntry}},
    {"miss_common_words",
     "a text in no entry made of common words: each piece is everywhere, only the whole is not",
     Operation::TextSearch, Walk::FirstHit, "love the night away", {NoEntry, NoEntry}},
    {"rare_late", "one hit in the table's very last entry: the whole span is passed over first",
     Operation::TextSearch, Walk::FirstHit, "|46547|", {11081, 11081}},
    {"common_early", "a common word (223 hits) found within a few entries: cost per call",
     Operation::TextSearch, Walk::FirstHit, "love", {77, 5072}},
    {"1_byte_present", "a rare single byte (2 entries): too short for any 3-byte index",
     Operation::TextSearch, Walk::FirstHit, ";", {543, 10795}},
    {"1_byte_absent", "a single byte no entry holds: a full pass with nothing to skip on",
     Operation::TextSearch, Walk::FirstHit, "~", {NoEntry, NoEntry}},
    {"2_bytes_present", "a rare byte pair (5 entries): too short for any 3-byte index",
     Operation::TextSearch, Walk::FirstHit, "zq", {4193, 6286}},
    {"2_bytes_absent", "a byte pair no entry holds: a full pass with short needles",
     Operation::TextSearch, Walk::FirstHit, "qz", {NoEntry, NoEntry}},
    {"paging_common", "every hit of a common text (620 from 0, 327 from 5000), one call per hit",
     Operation::TextSearch, Walk::EveryHit, "night", {620, 327}},
    {"filter_3_none", "3 common terms that share entries in pairs but never all three",
     Operation::TermFilter, Walk::FirstHit, "feat;night;velvet;", {NoEntry, NoEntry}},
    {"filter_1_none", "1 term of common words in no entry: what one term costs when nothing passes",
     Operation::TermFilter, Walk::FirstHit, "love the night away;", {NoEntry, NoEntry}},
    {"filter_10_none", "10 of the most common terms, never all in one entry: cost per term",
     Operation::TermFilter, Walk::FirstHit, "the;feat;light;night;summer;heart;dance;velvet;radio;mix;",
     {NoEntry, NoEntry}},
    {"filter_late", "3 common terms first together in entry 10922: many partial candidates",
     Operation::TermFilter, Walk::FirstHit, "the;light;tonight;", {10922, 10922}},
    {"pick", "one entry by index: one table read and one conversion to UTF-16",
     Operation::Lookup, Walk::FirstHit, "", {0, 5000}},
};

}  // namespace tuneledger_bench

#endif
