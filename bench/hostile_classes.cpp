#include "bench/hostile_classes.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>

#include "data/chart_table.h"
#include "tests/kit/text.h"

namespace tuneledger_bench {
namespace {

const std::vector<int> FirstHitStarts = {0, 5000, 11000};

// A byte every peer treats alike and a filter can hold: printable ASCII, no ';'.
bool Plain(char c) { return c >= 0x20 && c < 0x7F && c != ';'; }

// How many searchable entries hold each folded piece of 1 to 5 bytes.
class PieceCounts {
 public:
  PieceCounts() {
    for (int i = 0; i <= tuneledger::LastEntryIndex; ++i) {
      const std::string entry = kit::Folded(tuneledger::EntryText(i));
      std::vector<std::string_view> pieces;
      for (std::size_t length = 1; length <= 5; ++length) {
        for (std::size_t at = 0; at + length <= entry.size(); ++at)
          pieces.push_back(std::string_view(entry).substr(at, length));
      }
      std::sort(pieces.begin(), pieces.end());
      pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
      for (std::string_view piece : pieces) ++counts_[std::string(piece)];
    }
  }

  int Entries(const std::string& piece) const {
    const auto found = counts_.find(piece);
    return found == counts_.end() ? 0 : found->second;
  }

  // The plain pieces of `length` bytes, most held first (ties in byte order).
  std::vector<std::string> MostHeld(std::size_t length, std::size_t most) const {
    std::vector<std::pair<int, std::string>> ranked;
    for (const auto& [piece, count] : counts_) {
      if (piece.size() == length && std::all_of(piece.begin(), piece.end(), Plain)) ranked.emplace_back(-count, piece);
    }
    std::sort(ranked.begin(), ranked.end());  // the map is unordered: the sort alone fixes the order
    std::vector<std::string> pieces;
    for (std::size_t i = 0; i < ranked.size() && i < most; ++i) pieces.push_back(ranked[i].second);
    return pieces;
  }

  // Whether the text occurs nowhere though each of its pieces one byte shorter occurs; such
  // a text gets past any index of pieces up to that length.
  bool AbsentAsAWhole(const std::string& text) const {
    if (Entries(text) != 0) return false;
    for (std::size_t at = 0; at + text.size() - 1 <= text.size(); ++at) {
      if (Entries(text.substr(at, text.size() - 1)) == 0) return false;
    }
    return true;
  }

  // Of the texts absent as a whole, the one whose shorter pieces are each held by the most
  // entries (the least of them, as large as can be): the hardest for an index of pieces.
  std::string HardestAbsent(std::size_t length) const {
    const std::vector<std::string> shorter = MostHeld(length - 1, SIZE_MAX);
    std::map<std::string, std::vector<char>> next;  // a piece of length - 2 bytes: the bytes after it
    for (const std::string& piece : shorter) next[piece.substr(0, length - 2)].push_back(piece.back());
    std::string best;
    int best_score = -1;
    for (const std::string& piece : shorter) {
      const auto followers = next.find(piece.substr(1));
      if (followers == next.end()) continue;
      for (char c : followers->second) {
        const std::string text = piece + c;
        if (Entries(text) != 0) continue;
        int score = INT32_MAX;
        for (std::size_t at = 0; at + length - 1 <= length; ++at) {
          score = std::min(score, Entries(text.substr(at, length - 1)));
        }
        if (score > best_score || (score == best_score && text < best)) {
          best = text;
          best_score = score;
        }
      }
    }
    return best;
  }

  // The first text of lowercase letters, drawn by a fixed generator, that is absent as a whole:
  // what a person mistyping might ask.
  std::string DrawnAbsent(std::size_t length, std::uint32_t seed) const {
    for (std::uint32_t state = seed;;) {
      std::string text;
      for (std::size_t i = 0; i < length; ++i) {
        state = state * 1664525u + 1013904223u;
        text += static_cast<char>('a' + (state >> 24) % 26);
      }
      if (AbsentAsAWhole(text)) return text;
    }
  }

 private:
  std::unordered_map<std::string, int> counts_;
};

std::string Repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

std::string AsFilter(const std::vector<std::string>& terms, const std::string& last) {
  std::string filter;
  for (const std::string& term : terms) filter += term + ";";
  return filter + last + ";";
}

std::vector<HostileClass> MakeClasses() {
  const PieceCounts counts;
  std::vector<HostileClass> classes = {
      {"h_filter_rep_0", "\" |\", \"0\" 1496 times, then \"e0\" (in no entry): repeats and a failing term last",
       Operation::TermFilter, Walk::FirstHit, " |;" + Repeated("0;", 1496) + "e0;", FirstHitStarts},
      {"h_filter_rep_0bar", "\"0|\" 998 times, then \"e0\": one common term repeated, a failing term last",
       Operation::TermFilter, Walk::FirstHit, Repeated("0|;", 998) + "e0;", FirstHitStarts},
      {"h_filter_rep_bar0bar", "\"|0|\" 748 times, then \"\\i\\\" (the quick test takes \\ for |)",
       Operation::TermFilter, Walk::FirstHit, Repeated("|0|;", 748) + "\\i\\;", FirstHitStarts},
      {"h_filter_rep_the", "\"the\" 740 times, then \"zq\" (5 entries): repeats before a rare term",
       Operation::TermFilter, Walk::FirstHit, Repeated("the;", 740) + "zq;", FirstHitStarts},
  };
  const std::vector<std::string> top40 = counts.MostHeld(3, 40);
  classes.push_back({"h_filter_top40_absent", "the 40 triples most entries hold, then one in no entry (lnb)",
                     Operation::TermFilter, Walk::FirstHit, AsFilter(top40, "lnb"), FirstHitStarts});
  classes.push_back({"h_filter_top40_rare", "the 40 triples most entries hold, then zq (5 entries)",
                     Operation::TermFilter, Walk::FirstHit, AsFilter(top40, "zq"), FirstHitStarts});
  std::vector<std::string> common = counts.MostHeld(1, 30);
  for (std::size_t length = 2; length <= 4; ++length) {
    for (const std::string& piece : counts.MostHeld(length, 150)) common.push_back(piece);
  }
  classes.push_back({"h_filter_top480_rare", "480 common pieces of 1 to 4 bytes, then zq: many distinct terms",
                     Operation::TermFilter, Walk::FirstHit, AsFilter(common, "zq"), FirstHitStarts});
  classes.push_back({"h_filter_top480_none", "the same 480 common pieces alone: each entry lacks some other one",
                     Operation::TermFilter, Walk::FirstHit,
                     AsFilter(std::vector<std::string>(common.begin(), common.end() - 1), common.back()),
                     FirstHitStarts});
  classes.push_back({"h_filter_36_bytes", "every digit and letter: each entry lacks a different few",
                     Operation::TermFilter, Walk::FirstHit,
                     "0;1;2;3;4;5;6;7;8;9;a;b;c;d;e;f;g;h;i;j;k;l;m;n;o;p;q;r;s;t;u;v;w;x;y;z;", FirstHitStarts});
  const std::vector<std::string> top_words = counts.MostHeld(3, 120);
  classes.push_back({"h_filter_top120_triples", "the 120 triples most entries hold: entries fail on varied terms",
                     Operation::TermFilter, Walk::FirstHit,
                     AsFilter(std::vector<std::string>(top_words.begin(), top_words.end() - 1), top_words.back()),
                     FirstHitStarts});
  classes.push_back({"h_text_quick_only", "\\i\\: the quick test takes every | for \\, no entry holds it",
                     Operation::TextSearch, Walk::FirstHit, "\\i\\", FirstHitStarts});
  classes.push_back({"h_text_quick_only2", "{0}: the quick test takes [ for {, no entry holds it",
                     Operation::TextSearch, Walk::FirstHit, "{0}", FirstHitStarts});
  for (std::size_t length = 2; length <= 5; ++length) {
    const std::string n = std::to_string(length);
    const std::string hardest = counts.HardestAbsent(length);
    classes.push_back({"h_miss_" + n + "_hardest", "absent " + n + " bytes whose shorter pieces most entries hold: " + hardest,
                       Operation::TextSearch, Walk::FirstHit, hardest, FirstHitStarts});
    const std::string drawn = counts.DrawnAbsent(length, 20261210u + static_cast<std::uint32_t>(length));
    classes.push_back({"h_miss_" + n + "_drawn", "absent " + n + " letters, drawn with a fixed seed: " + drawn,
                       Operation::TextSearch, Walk::FirstHit, drawn, FirstHitStarts});
  }
  classes.push_back({"h_late_common",
                     "a common word from late starts: little is left to search",
                     Operation::TextSearch,
                     Walk::FirstHit,
                     "love",
                     {10990, 11081}});
  classes.push_back({"h_late_filter",
                     "3 common terms from late starts",
                     Operation::TermFilter,
                     Walk::FirstHit,
                     "the;light;tonight;",
                     {10923, 11081}});
  // The slowest call the adversary (adversary.cpp) found in each of its families.
  const std::vector<HostileClass> found = {
#include "bench/adversary_classes.inc"
  };
  classes.insert(classes.end(), found.begin(), found.end());
  for (const char* text : {"e", "o", "|0", "the"}) {
    classes.push_back({std::string("h_page_") + (text[0] == '|' ? "bar0" : text),
                       std::string("every hit of \"") + text + "\", one call per hit",
                       Operation::TextSearch,
                       Walk::EveryHit,
                       text,
                       {0}});
  }
  // Every entry passes these two, and nearly every entry the next: a call per entry.
  for (const auto& [name, filter] : {std::pair{"bar_space", "|; ;"}, std::pair{"bar_0", "|;0;"}, std::pair{"e_a_1", "e;a;1;"}, std::pair{"noterm", "x"}}) {
    classes.push_back({std::string("h_page_filter_") + name, std::string("every hit of the filter \"") + filter + "\", one call per hit",
                       Operation::TermFilter, Walk::EveryHit, filter, {0}});
  }
  return classes;
}

}  // namespace

const std::vector<HostileClass>& HostileClasses() {
  static const std::vector<HostileClass> classes = MakeClasses();
  return classes;
}

}  // namespace tuneledger_bench
