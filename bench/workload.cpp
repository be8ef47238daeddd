// A realistic workload: 5,000 queries a person might type, drawn from the chart table with a
// fixed seed, each paged through all its hits by every method, side by side in one run. (How
// long a C host of the library takes to start, beside /bin/true, is in cli_vs_grep.sh.)
//
//   build/bench/bench/tuneledger_workload [--library-only]
//
// The queries: substrings of entries, performer and title words in random case, such words with
// one letter changed, and filters of 2 to 4 words of one entry. The literal method widens each
// hit's entry to UTF-16, as the library's answer holds it; SQLite's statement gives the rowid.
// Every method must find the same hits for every query before anything is reported; then the
// CPU time each method spends on each query (the whole walk through its hits, the fastest of
// Rounds walks) gives totals and the 50th and 99th percentiles and the maximum per query, and
// the queries the library answers slowest, and any a peer answers faster, are listed with the
// peers' times. With --library-only only the library runs, for
// counting its instructions under valgrind --tool=callgrind --collect-atstart=no
// --toggle-collect=FoodPickerText --toggle-collect=FoodPickerFilter.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/literal_search.h"
#include "bench/query_classes.h"
#include "bench/sqlite_search.h"
#include "data/chart_table.h"
#include "tests/kit/text.h"
#include "tuneledger.h"

namespace tuneledger_bench {
namespace {

constexpr int QueryCount = 5000;
constexpr std::uint32_t Seed = 20261210;

struct Query {
  Operation operation;  // TextSearch or TermFilter
  std::string text;
  const char* drawn_as;
};

bool Plain(char c) { return c >= 0x20 && c < 0x7F && c != ';'; }

// The performer and title words of an entry that are plain ASCII letters and digits.
std::vector<std::string> Words(std::string_view entry) {
  std::vector<std::string> words;
  const std::size_t fields_end = entry.find('|', entry.find('|') + 1);
  std::string word;
  for (char c : entry.substr(0, fields_end)) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '\'') {
      word += c;
    } else {
      if (word.size() >= 2) words.push_back(word);
      word.clear();
    }
  }
  if (word.size() >= 2) words.push_back(word);
  return words;
}

class Drawer {
 public:
  explicit Drawer(std::uint32_t seed) : random_(seed) {}

  std::size_t Below(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_); }

  std::string_view Entry() { return tuneledger::EntryText(static_cast<int>(Below(tuneledger::LastEntryIndex + 1))); }

  std::string RandomCase(std::string word) {
    for (char& c : word) {
      if (((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) && Below(2) == 0) c = static_cast<char>(c ^ 0x20);
    }
    return word;
  }

  // A word of a random entry (one with at least `least` words).
  std::vector<std::string> WordsOfAnEntry(std::size_t least) {
    for (;;) {
      std::vector<std::string> words = Words(Entry());
      if (words.size() >= least) return words;
    }
  }

  Query Draw() {
    switch (Below(4)) {
      case 0: {
        for (;;) {
          const std::string_view entry = Entry();
          const std::size_t length = 2 + Below(9);
          if (entry.size() < length) continue;
          const std::string piece(entry.substr(Below(entry.size() - length + 1), length));
          if (std::all_of(piece.begin(), piece.end(), Plain)) return {Operation::TextSearch, piece, "substring"};
        }
      }
      case 1: {
        const std::vector<std::string> words = WordsOfAnEntry(1);
        return {Operation::TextSearch, RandomCase(words[Below(words.size())]), "word"};
      }
      case 2: {
        for (;;) {
          const std::vector<std::string> words = WordsOfAnEntry(1);
          std::string word = words[Below(words.size())];
          if (word.size() < 3) continue;
          word[Below(word.size())] = static_cast<char>('a' + Below(26));
          return {Operation::TextSearch, RandomCase(word), "changed word"};
        }
      }
      default: {
        std::vector<std::string> words = WordsOfAnEntry(2);
        std::shuffle(words.begin(), words.end(), random_);
        std::string filter;
        for (std::size_t i = 0, n = std::min<std::size_t>(words.size(), 2 + Below(3)); i < n; ++i) {
          filter += RandomCase(words[i]) + ";";
        }
        return {Operation::TermFilter, filter, "filter"};
      }
    }
  }

 private:
  std::mt19937 random_;
};

std::vector<Query> DrawQueries() {
  Drawer drawer(Seed);
  std::vector<Query> queries;
  for (int i = 0; i < QueryCount; ++i) queries.push_back(drawer.Draw());
  return queries;
}

using FirstHit = std::function<int(int)>;

std::vector<int> EveryHit(const FirstHit& first_hit) {
  std::vector<int> hits;
  for (int hit = first_hit(0); hit != NoEntry; hit = first_hit(hit + 1)) hits.push_back(hit);
  return hits;
}

double CpuMicros() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Each method walks each query this many times and the fastest walk counts: a single walk of a
// few microseconds is as much the clock's and the caches' as the method's.
constexpr int Rounds = 3;

struct Method {
  std::string name;
  std::vector<double> micros;  // per query
};

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * static_cast<double>(values.size())))];
}

void PrintMethods(const std::vector<Method>& methods) {
  std::printf("%-10s %12s %10s %10s %10s\n", "method", "total ms", "p50 us", "p99 us", "max us");
  for (const Method& method : methods) {
    double total = 0;
    for (double micros : method.micros) total += micros;
    std::printf("%-10s %12.1f %10.2f %10.2f %10.1f\n", method.name.c_str(), total / 1e3, Percentile(method.micros, 0.5),
                Percentile(method.micros, 0.99), *std::max_element(method.micros.begin(), method.micros.end()));
  }
}

}  // namespace
}  // namespace tuneledger_bench

int main(int argc, char** argv) {
  using namespace tuneledger_bench;
  const bool library_only = argc > 1 && std::strcmp(argv[1], "--library-only") == 0;
  const std::vector<Query> queries = DrawQueries();
  std::vector<std::u16string> wide;
  for (const Query& q : queries) wide.emplace_back(q.text.begin(), q.text.end());

  auto library = [&](std::size_t i) -> FirstHit {
    const Query& q = queries[i];
    const char16_t* text = wide[i].c_str();
    const Operation operation = q.operation;
    return [text, operation](int start) {
      return kit::HitIndex(kit::FromLibrary(kit::Call(kit::InProcess(), operation, text, start)));
    };
  };
  if (library_only) {
    std::size_t hits = 0;
    for (std::size_t i = 0; i < queries.size(); ++i) hits += EveryHit(library(i)).size();
    std::printf("%zu queries, %zu hits\n", queries.size(), hits);
    return 0;
  }

  const SqliteChart chart;
  std::vector<std::unique_ptr<SqliteSearch>> sqlite;
  std::vector<const char*> sqlite_way;
  for (const Query& q : queries) {
    const std::vector<std::string> terms =
        q.operation == Operation::TermFilter ? kit::SplitTerms(q.text) : std::vector<std::string>{q.text};
    const Way way = CanAnswer(Way::Index, terms) ? Way::Index : Way::Like;
    sqlite.push_back(std::make_unique<SqliteSearch>(chart, terms, way));
    sqlite_way.push_back(WayName(way));
  }
  auto literal = [&](std::size_t i) -> FirstHit {
    const Query& q = queries[i];
    // Like the library's answer, the hit's entry as UTF-16.
    return [&q](int start) {
      const int hit =
          q.operation == Operation::TermFilter ? LiteralFilter(q.text, start) : LiteralFindText(q.text, start);
      char16_t entry[tuneledger::LongestEntry + 1];
      if (hit != NoEntry) LiteralLookup(hit, entry);
      return hit;
    };
  };
  auto sql = [&](std::size_t i) -> FirstHit { return [&, i](int start) { return sqlite[i]->FirstHit(start); }; };

  std::vector<Method> methods = {{"library", {}}, {"literal", {}}, {"SQLite", {}}};
  const std::function<FirstHit(std::size_t)> makers[] = {library, literal, sql};
  std::size_t total_hits = 0, none = 0;
  for (std::size_t i = 0; i < queries.size(); ++i) {
    std::vector<int> answers[3];
    for (int m = 0; m < 3; ++m) {
      const FirstHit first_hit = makers[m](i);
      double fastest = 0;
      for (int round = 0; round < Rounds; ++round) {
        const double before = CpuMicros();
        answers[m] = EveryHit(first_hit);
        const double micros = CpuMicros() - before;
        if (round == 0 || micros < fastest) fastest = micros;
      }
      methods[static_cast<std::size_t>(m)].micros.push_back(fastest);
    }
    if (answers[1] != answers[0] || answers[2] != answers[0]) {
      std::fprintf(stderr, "MISMATCH on \"%s\": library %zu hits, literal %zu, SQLite (%s) %zu\n",
                   queries[i].text.c_str(), answers[0].size(), answers[1].size(), sqlite_way[i], answers[2].size());
      return 1;
    }
    total_hits += answers[0].size();
    none += answers[0].empty();
  }

  std::printf(
      "Workload: %d queries drawn with seed %u (%zu hits in all, %zu queries without any),\n"
      "each paged through all its hits; CPU time per query (the fastest of %d walks), in microseconds\n\n",
      QueryCount, Seed, total_hits, none, Rounds);
  PrintMethods(methods);

  // The queries the library answers slowest, and how the peers did on them.
  std::vector<std::size_t> order(queries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return methods[0].micros[a] > methods[0].micros[b]; });
  std::printf("\nslowest for the library   %10s %10s %10s  kind\n", "library", "literal", "SQLite");
  for (std::size_t k = 0; k < 8; ++k) {
    const std::size_t i = order[k];
    std::printf("%-25.25s %10.1f %10.1f %10.1f  %s (%s)\n", queries[i].text.c_str(), methods[0].micros[i],
                methods[1].micros[i], methods[2].micros[i], queries[i].drawn_as, sqlite_way[i]);
  }
  std::size_t behind = 0;
  for (std::size_t i = 0; i < queries.size(); ++i) {
    if (methods[0].micros[i] <= std::min(methods[1].micros[i], methods[2].micros[i])) continue;
    if (behind++ == 0) std::printf("\nwhere a peer was faster      library    literal     SQLite  kind\n");
    std::printf("%-25.25s %10.1f %10.1f %10.1f  %s (%s)\n", queries[i].text.c_str(), methods[0].micros[i],
                methods[1].micros[i], methods[2].micros[i], queries[i].drawn_as, sqlite_way[i]);
  }
  std::printf("queries where the library took longer than the faster peer: %zu of %zu\n", behind, queries.size());
  return 0;
}
