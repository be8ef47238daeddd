// The peers that page through every hit of a text or a filter in one pass, as a program that
// wants them all would: the literal method walks the table once and widens each hit to UTF-16,
// and SQLite steps one statement through every hit, widening each. The library has no such
// call; it pages by searching again from each hit's index plus one. A text is a filter of one
// term here.
#ifndef TUNELEDGER_BENCH_EVERY_HIT_PEERS_H
#define TUNELEDGER_BENCH_EVERY_HIT_PEERS_H

#include <sqlite3.h>

#include <string>
#include <vector>

#include "bench/sqlite_search.h"

namespace tuneledger_bench {

// Every entry from `start` on that holds every term (a text: one term), each widened to UTF-16
// on the way.
std::vector<int> LiteralEveryHit(const std::vector<std::string>& terms, int start);

// One statement over the trigram index (every term of 3 bytes or more) or LIKE on the plain
// table (any shorter term).
class SqliteEveryHit {
 public:
  SqliteEveryHit(const SqliteChart& chart, const std::vector<std::string>& terms);
  ~SqliteEveryHit();
  SqliteEveryHit(const SqliteEveryHit&) = delete;
  SqliteEveryHit& operator=(const SqliteEveryHit&) = delete;

  std::vector<int> From(int start);

 private:
  sqlite3_stmt* statement_ = nullptr;
  std::string match_;
  std::vector<std::string> patterns_;
};

}  // namespace tuneledger_bench

#endif
