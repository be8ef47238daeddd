// How fast each kind of query is answered, side by side in one run: this library through its
// exported calls, the literal method (the baseline), SQLite's FTS5 trigram index or LIKE, and
// the time it takes merely to read the bytes the query covers (the physical floor).
//
// Before timing anything, every peer's answer to every query is checked against the others and
// against the answer the query was chosen for; a disagreement stops the run with exit status 1.
// At the end one table of medians and ratios is printed (see summary_reporter.h).
//
//   build/bench/bench/tuneledger_bench [--benchmark_filter=REGEX] [other Google Benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "bench/every_hit_peers.h"
#include "bench/hostile_classes.h"
#include "bench/literal_search.h"
#include "bench/query_classes.h"
#include "bench/sqlite_search.h"
#include "bench/summary_reporter.h"
#include "data/chart_table.h"
#include "tests/kit/calls.h"
#include "tests/kit/text.h"
#include "tuneledger.h"

namespace tuneledger_bench {
namespace {

// Short enough that the whole run stays within about a minute; the median of the repetitions
// keeps the figures steady while other work shares the machine.
const char* const DefaultFlags[] = {"--benchmark_min_time=0.05", "--benchmark_repetitions=5"};

constexpr Way SqliteWays[] = {Way::Index, Way::Like};

std::string ProcessorName() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) != 0) continue;
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) return line.substr(line.find_first_not_of(' ', colon + 1));
  }
  return "unknown processor";
}

// Calls `on_hit` for each hit of `first_hit` from `start` on, searching again from hit + 1.
template <typename FirstHit, typename OnHit>
void PageThroughHits(FirstHit first_hit, int start, OnHit on_hit) {
  for (int hit = first_hit(start); hit != NoEntry; hit = first_hit(hit + 1)) on_hit(hit);
}

template <typename FirstHit>
std::vector<int> EveryHit(FirstHit first_hit, int start) {
  std::vector<int> hits;
  PageThroughHits(first_hit, start, [&hits](int hit) { hits.push_back(hit); });
  return hits;
}

template <typename FirstHit>
int CountHits(FirstHit first_hit, int start) {
  int count = 0;
  PageThroughHits(first_hit, start, [&count](int) { ++count; });
  return count;
}

// What the peers without a text search of their own look for: a text is a single term.
std::vector<std::string> TermsOf(Operation operation, const std::string& query) {
  return operation == Operation::TermFilter ? kit::SplitTerms(query) : std::vector<std::string>{query};
}

// --- The four ways of answering -----------------------------------------------------------------

// The library's answer to a first-hit query, through its exported calls.
struct LibraryFirstHit {
  Operation operation;
  std::u16string query;
  int operator()(int start) const {
    return kit::HitIndex(kit::FromLibrary(kit::Call(kit::InProcess(), operation, query.c_str(), start)));
  }
};

struct LiteralFirstHit {
  Operation operation;
  std::string query;
  int operator()(int start) const {
    return operation == Operation::TermFilter ? LiteralFilter(query, start) : LiteralFindText(query, start);
  }
};

struct SqliteFirstHit {
  std::shared_ptr<SqliteSearch> search;
  int operator()(int start) const { return search->FirstHit(start); }
};

// A byte no entry holds, so that memchr has to read every byte it is given; 0 when every byte
// value occurs somewhere.
unsigned char AbsentByte() {
  bool seen[256] = {};
  const std::size_t size = tuneledger::EntryOffsets[tuneledger::LastEntryIndex + 1];
  for (std::size_t i = 0; i < size; ++i) seen[static_cast<unsigned char>(tuneledger::EntryBytes[i])] = true;
  for (int byte = 255; byte > 0; --byte) {
    if (!seen[byte]) return static_cast<unsigned char>(byte);
  }
  return 0;
}

// Reads `size` bytes once, as fast as the C library can: the physical floor of any scan.
std::size_t ReadOnce(const char* bytes, std::size_t size, unsigned char absent) {
  if (absent != 0) return std::memchr(bytes, absent, size) == nullptr ? size : 0;
  return std::accumulate(bytes, bytes + size, std::size_t{0},
                         [](std::size_t sum, char byte) { return sum + static_cast<unsigned char>(byte); });
}

// --- What a query covers ------------------------------------------------------------------------

// The last entry a query has to look at: its answer, or the end of the table when there is
// none or when every hit is wanted.
int LastEntryCovered(const QueryClass& query, int expected) {
  if (query.operation == Operation::Lookup) return expected;
  return query.walk == Walk::EveryHit || expected == NoEntry ? tuneledger::LastEntryIndex : expected;
}

struct Span {
  const char* bytes;
  std::size_t size;
};

Span SpanCovered(const QueryClass& query, int start, int expected) {
  const std::uint32_t first = tuneledger::EntryOffsets[start];
  const std::uint32_t end = tuneledger::EntryOffsets[LastEntryCovered(query, expected) + 1];
  return {tuneledger::EntryBytes + first, end - first};
}

// --- Checking that every peer answers alike -----------------------------------------------------

bool Reports(bool agree, const std::string& what, const std::string& how) {
  if (!agree) std::fprintf(stderr, "MISMATCH: %s: %s\n", what.c_str(), how.c_str());
  return agree;
}

std::string Describe(const std::vector<int>& hits) {
  std::string text = std::to_string(hits.size()) + " hits";
  if (!hits.empty()) {
    text += ", first " + std::to_string(hits.front()) + ", last " + std::to_string(hits.back());
  }
  return text;
}

// Every peer's answer (first hit, or every hit when paging) to one query from one start.
template <typename Answer>
bool PeersAgree(const std::string& what, const std::vector<std::pair<std::string, Answer>>& answers,
                const Answer& expected) {
  bool agree = true;
  for (const auto& [peer, answer] : answers) {
    if constexpr (std::is_same_v<Answer, int>) {
      agree &=
          Reports(answer == expected, what,
                  peer + " answered " + std::to_string(answer) + ", expected " + std::to_string(expected));
    } else {
      agree &= Reports(answer == expected, what,
                       peer + " answered " + Describe(answer) + ", the library " + Describe(expected));
    }
  }
  return agree;
}

std::vector<std::pair<std::string, int>> FirstHits(const SqliteChart& chart, Operation operation,
                                                   const std::string& query, int start) {
  std::vector<std::pair<std::string, int>> answers = {
      {"library", LibraryFirstHit{operation, kit::WideFromBytes(query)}(start)},
      {"literal", LiteralFirstHit{operation, query}(start)}};
  const std::vector<std::string> terms = TermsOf(operation, query);
  for (Way way : SqliteWays) {
    if (!CanAnswer(way, terms) || !Accepts(chart, terms, way)) continue;
    answers.emplace_back(std::string("SQLite ") + WayName(way),
                         SqliteSearch(chart, terms, way).FirstHit(start));
  }
  return answers;
}

bool PagingAgrees(const SqliteChart& chart, const QueryClass& query, int start, int expected_hits,
                  const std::string& what) {
  const std::vector<int> library = EveryHit(LibraryFirstHit{query.operation, kit::WideFromBytes(query.query)}, start);
  std::vector<std::pair<std::string, std::vector<int>>> answers = {
      {"literal", EveryHit(LiteralFirstHit{query.operation, query.query}, start)}};
  const std::vector<std::string> terms = TermsOf(query.operation, query.query);
  for (Way way : SqliteWays) {
    if (!CanAnswer(way, terms)) continue;
    answers.emplace_back(std::string("SQLite ") + WayName(way),
                         EveryHit(SqliteFirstHit{std::make_shared<SqliteSearch>(chart, terms, way)}, start));
  }
  const bool as_expected = Reports(
      static_cast<int>(library.size()) == expected_hits, what,
      "the library answered " + Describe(library) + ", expected " + std::to_string(expected_hits) + " hits");
  return PeersAgree(what, answers, library) && as_expected;
}

bool LookupAgrees(const SqliteChart& chart, int index, const std::string& what) {
  char16_t literal[tuneledger::LongestEntry + 1];
  char16_t sqlite[tuneledger::LongestEntry + 1];
  const std::u16string_view library = kit::FromLibrary(FoodPicker(index));
  SqliteLookup lookup(chart);
  const bool literal_agrees =
      Reports(library == LiteralLookup(index, literal), what, "the literal method reads another text");
  return Reports(library == lookup.Lookup(index, sqlite), what, "SQLite reads another text") && literal_agrees;
}

bool ClassAgrees(const SqliteChart& chart, const QueryClass& query, int start, int expected) {
  const std::string what = std::string(query.name) + " from " + std::to_string(start);
  if (query.operation == Operation::Lookup) return LookupAgrees(chart, expected, what);
  if (query.walk == Walk::EveryHit) return PagingAgrees(chart, query, start, expected, what);
  return PeersAgree(what, FirstHits(chart, query.operation, query.query, start), expected);
}

// Texts and filters that are not timed but would show a peer quoting or escaping wrongly
// ('%', '_', '\' and '"' occur in no entry, so a pattern that lost its escape matches too
// much), or splitting filters otherwise than the library.
struct Probe {
  Operation operation;
  const char* query;
};
constexpr Probe Probes[] = {
    {Operation::TextSearch, "%"},          {Operation::TextSearch, "_"},
    {Operation::TextSearch, "\\"},         {Operation::TextSearch, "\""},
    {Operation::TextSearch, "lo%ve"},      {Operation::TextSearch, "l_ve"},
    {Operation::TextSearch, "\"love\""},   {Operation::TextSearch, "ni\"ght"},
    {Operation::TextSearch, "(X124)"},     {Operation::TermFilter, "zq;the;"},
    {Operation::TermFilter, "%;love;"},    {Operation::TermFilter, "love;\"x;"},
    {Operation::TermFilter, "love;(x;"},   {Operation::TermFilter, ";;"},
    {Operation::TermFilter, "love;night"}, {Operation::TermFilter, ""},
};

bool EveryAnswerAgrees(const SqliteChart& chart) {
  bool agree = true;
  for (const QueryClass& query : QueryClasses) {
    for (int s = 0; s < StartCount; ++s) agree &= ClassAgrees(chart, query, Starts[s], query.expected[s]);
  }
  for (const Probe& probe : Probes) {
    for (int start : Starts) {
      const auto answers = FirstHits(chart, probe.operation, probe.query, start);
      agree &= PeersAgree(std::string("probe \"") + probe.query + "\" from " + std::to_string(start), answers,
                          answers.front().second);
    }
  }
  return agree;
}

// --- Registering the benchmarks -----------------------------------------------------------------

// One timed loop: `answer` is called once per iteration, and the bytes the query covers count
// as processed, whichever peer answers.
template <typename Answer>
void Register(const std::string& name, std::size_t bytes_covered, Answer answer) {
  benchmark::RegisterBenchmark(name.c_str(), [bytes_covered, answer](benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(answer());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes_covered));
  })->Unit(benchmark::kMicrosecond);
}

// A first-hit query, or the whole walk through every hit when paging.
template <typename FirstHit>
void RegisterSearch(const std::string& name, std::size_t bytes, Walk walk, int start, FirstHit first_hit) {
  if (walk == Walk::EveryHit) {
    Register(name, bytes, [first_hit, start] { return CountHits(first_hit, start); });
  } else {
    Register(name, bytes, [first_hit, start] { return first_hit(start); });
  }
}

void RegisterLookup(const std::string& prefix, std::size_t bytes, const SqliteChart& chart, int index,
                    SummaryRow& row) {
  Register(row.library, bytes, [index] { return FoodPicker(index); });
  Register(row.literal, bytes, [index] {
    char16_t out[tuneledger::LongestEntry + 1];
    return LiteralLookup(index, out).size();
  });
  auto lookup = std::make_shared<SqliteLookup>(chart);
  row.sqlite_ways.push_back(prefix + "sqlite_rowid");
  Register(row.sqlite_ways.back(), bytes, [lookup, index] {
    char16_t out[tuneledger::LongestEntry + 1];
    return lookup->Lookup(index, out).size();
  });
}

SummaryRow RegisterClass(const SqliteChart& chart, const QueryClass& query, int start, int expected,
                         unsigned char absent) {
  const std::string prefix = std::string(query.name) + "/" + std::to_string(start) + "/";
  SummaryRow row{query.name,          query.stresses,     start, prefix + "library",
                 prefix + "literal", /*sqlite_ways=*/{}, prefix + "floor"};
  const Span span = SpanCovered(query, start, expected);
  if (query.operation == Operation::Lookup) {
    RegisterLookup(prefix, span.size, chart, expected, row);
  } else {
    RegisterSearch(row.library, span.size, query.walk, start,
                   LibraryFirstHit{query.operation, kit::WideFromBytes(query.query)});
    RegisterSearch(row.literal, span.size, query.walk, start, LiteralFirstHit{query.operation, query.query});
    const std::vector<std::string> terms = TermsOf(query.operation, query.query);
    for (Way way : SqliteWays) {
      if (!CanAnswer(way, terms) || !Accepts(chart, terms, way)) continue;
      row.sqlite_ways.push_back(prefix + "sqlite_" + WayName(way));
      RegisterSearch(row.sqlite_ways.back(), span.size, query.walk, start,
                     SqliteFirstHit{std::make_shared<SqliteSearch>(chart, terms, way)});
    }
  }
  Register(row.floor, span.size, [span, absent] { return ReadOnce(span.bytes, span.size, absent); });
  return row;
}

std::vector<SummaryRow> RegisterEveryClass(const SqliteChart& chart) {
  const unsigned char absent = AbsentByte();
  std::vector<SummaryRow> rows;
  for (const QueryClass& query : QueryClasses) {
    for (int s = 0; s < StartCount; ++s) {
      rows.push_back(RegisterClass(chart, query, Starts[s], query.expected[s], absent));
    }
  }
  return rows;
}

// --- The hostile classes (hostile_classes.h) ----------------------------------------------------
// Their answers are not written down: the literal method's answer is the expected one, and
// every peer must give it. Paging classes are held against the peers that page in one pass.

bool HostileAnswersAgree(const SqliteChart& chart) {
  bool agree = true;
  for (const HostileClass& query : HostileClasses()) {
    for (int start : query.starts) {
      const std::string what = query.name + " from " + std::to_string(start);
      if (query.walk == Walk::FirstHit) {
        agree &= PeersAgree(what, FirstHits(chart, query.operation, query.query, start),
                            LiteralFirstHit{query.operation, query.query}(start));
        continue;
      }
      const std::vector<int> library =
          EveryHit(LibraryFirstHit{query.operation, kit::WideFromBytes(query.query)}, start);
      const std::vector<std::string> terms = TermsOf(query.operation, query.query);
      agree &= PeersAgree<std::vector<int>>(what,
                                            {{"literal in one pass", LiteralEveryHit(terms, start)},
                                             {"SQLite stepping", SqliteEveryHit(chart, terms).From(start)}},
                                            library);
    }
  }
  return agree;
}

void RegisterHostileClasses(const SqliteChart& chart, unsigned char absent, std::vector<SummaryRow>& rows) {
  for (const HostileClass& query : HostileClasses()) {
    for (int start : query.starts) {
      const int expected =
          query.walk == Walk::EveryHit ? 0 : LiteralFirstHit{query.operation, query.query}(start);
      const QueryClass as_class{query.name.c_str(), query.stresses.c_str(), query.operation, query.walk,
                                query.query.c_str(), {expected, expected}};
      if (query.walk == Walk::FirstHit) {
        rows.push_back(RegisterClass(chart, as_class, start, expected, absent));
        continue;
      }
      const std::string prefix = query.name + "/" + std::to_string(start) + "/";
      SummaryRow row{query.name, query.stresses, start, prefix + "library", prefix + "literal_onepass",
                     {prefix + "sqlite_step"}, prefix + "floor"};
      const Span span = SpanCovered(as_class, start, expected);
      RegisterSearch(row.library, span.size, Walk::EveryHit, start,
                     LibraryFirstHit{query.operation, kit::WideFromBytes(query.query)});
      const std::vector<std::string> terms = TermsOf(query.operation, query.query);
      Register(row.literal, span.size, [terms, start] { return LiteralEveryHit(terms, start).size(); });
      auto sqlite = std::make_shared<SqliteEveryHit>(chart, terms);
      Register(row.sqlite_ways.front(), span.size, [sqlite, start] { return sqlite->From(start).size(); });
      Register(row.floor, span.size, [span, absent] { return ReadOnce(span.bytes, span.size, absent); });
      rows.push_back(row);
    }
  }
}

// Our defaults first, so that flags given on the command line override them.
std::vector<char*> WithDefaultFlags(int argc, char** argv) {
  std::vector<char*> args = {argv[0]};
  for (const char* flag : DefaultFlags) args.push_back(const_cast<char*>(flag));
  args.insert(args.end(), argv + 1, argv + argc);
  args.push_back(nullptr);
  return args;
}

}  // namespace
}  // namespace tuneledger_bench

int main(int argc, char** argv) {
  using namespace tuneledger_bench;
  std::vector<char*> args = WithDefaultFlags(argc, argv);
  int arg_count = static_cast<int>(args.size()) - 1;
  benchmark::Initialize(&arg_count, args.data());
  if (benchmark::ReportUnrecognizedArguments(arg_count, args.data())) return 1;

  const std::string processor = ProcessorName();
  std::printf("Processor: %s\n", processor.c_str());
  benchmark::AddCustomContext("processor", processor);

  const SqliteChart chart;
  if (!EveryAnswerAgrees(chart) || !HostileAnswersAgree(chart)) {
    std::fprintf(stderr, "The peers disagree; nothing was timed.\n");
    return 1;
  }
  std::vector<SummaryRow> rows = RegisterEveryClass(chart);
  RegisterHostileClasses(chart, AbsentByte(), rows);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary(rows, processor);
  benchmark::Shutdown();
  return 0;
}
