// Counts the instructions each query class costs, for figures that repeat on a shared machine.
// Run it under callgrind through bench/callgrind.sh, which prints one line per class, start and
// method; run alone, it only makes the calls.
//
//   bench/callgrind.sh build/bench/bench/tuneledger_callgrind [--peers] [NAME_PART]
//
// Each counted call (for a paging class: the whole walk through every hit) is made once
// uncounted first, so that nothing done once per process is counted, and then once between
// CALLGRIND_ZERO_STATS and CALLGRIND_DUMP_STATS_AT, whose dump is named after the class, the
// start and the method. By default only the library is counted; with --peers also the literal
// method and SQLite (slow under callgrind: the literal method takes up to a second a call there).
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/every_hit_peers.h"
#include "bench/hostile_classes.h"
#include "bench/literal_search.h"
#include "bench/query_classes.h"
#include "bench/sqlite_search.h"
#include "tests/kit/text.h"
#include "tuneledger.h"

namespace tuneledger_bench {
namespace {

volatile int sink;

void Count(const std::string& name, const std::function<int()>& call) {
  sink = call();
  CALLGRIND_ZERO_STATS;
  sink = call();
  CALLGRIND_DUMP_STATS_AT(name.c_str());
}

struct Query {
  std::string name;
  Operation operation;
  Walk walk;
  std::string query;
  int start;
};

std::vector<Query> Queries() {
  std::vector<Query> queries;
  for (const QueryClass& query : QueryClasses) {
    for (int start : Starts) queries.push_back({query.name, query.operation, query.walk, query.query, start});
  }
  for (const HostileClass& query : HostileClasses()) {
    for (int start : query.starts) queries.push_back({query.name, query.operation, query.walk, query.query, start});
  }
  return queries;
}

int FirstHit(Operation operation, const std::u16string& query, int start) {
  return kit::HitIndex(kit::FromLibrary(kit::Call(kit::InProcess(), operation, query.c_str(), start)));
}

int LibraryCall(const Query& q, const std::u16string& query) {
  if (q.operation == Operation::Lookup) return FoodPicker(q.start)[0];
  if (q.walk == Walk::FirstHit) return FirstHit(q.operation, query, q.start);
  int hits = 0;
  for (int hit = FirstHit(q.operation, query, q.start); hit != NoEntry; hit = FirstHit(q.operation, query, hit + 1)) {
    ++hits;
  }
  return hits;
}

void CountPeers(const SqliteChart& chart, const Query& q, const std::string& prefix) {
  const std::string& text = q.query;
  const int start = q.start;
  if (q.operation == Operation::Lookup) return;
  const std::vector<std::string> terms =
      q.operation == Operation::TermFilter ? kit::SplitTerms(text) : std::vector<std::string>{text};
  if (q.walk == Walk::EveryHit) {
    Count(prefix + "literal_onepass", [&] { return static_cast<int>(LiteralEveryHit(terms, start).size()); });
    auto every = std::make_shared<SqliteEveryHit>(chart, terms);
    Count(prefix + "sqlite_step", [&] { return static_cast<int>(every->From(start).size()); });
    return;
  }
  if (q.operation == Operation::TermFilter) {
    Count(prefix + "literal", [&] { return LiteralFilter(text, start); });
  } else {
    Count(prefix + "literal", [&] { return LiteralFindText(text, start); });
  }
  for (Way way : {Way::Index, Way::Like}) {
    if (!CanAnswer(way, terms) || !Accepts(chart, terms, way)) continue;
    SqliteSearch search(chart, terms, way);
    Count(prefix + "sqlite_" + WayName(way), [&] { return search.FirstHit(start); });
  }
}

}  // namespace
}  // namespace tuneledger_bench

int main(int argc, char** argv) {
  using namespace tuneledger_bench;
  bool peers = false;
  std::string part;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--peers") == 0) {
      peers = true;
    } else {
      part = argv[i];
    }
  }
  std::unique_ptr<SqliteChart> chart;
  if (peers) chart = std::make_unique<SqliteChart>();
  for (const Query& q : Queries()) {
    if (q.name.find(part) == std::string::npos) continue;
    const std::string prefix = q.name + " " + std::to_string(q.start) + " ";
    const std::u16string wide = kit::WideFromBytes(q.query);
    Count(prefix + "library", [&] { return LibraryCall(q, wide); });
    if (peers) CountPeers(*chart, q, prefix);
  }
  return 0;
}
