// The peers that page through every hit of a text in one pass, as a program that wants them all
// would: the literal method walks the table once and widens each hit to UTF-16, and SQLite steps
// one statement through every hit, widening each. The library has no such call; it pages by
// searching again from each hit's index plus one.
#ifndef TUNELEDGER_BENCH_EVERY_HIT_PEERS_H
#define TUNELEDGER_BENCH_EVERY_HIT_PEERS_H

#include <sqlite3.h>

#include <string>
#include <vector>

#include "bench/sqlite_search.h"

namespace tuneledger_bench {

// Every entry from `start` on that holds `text`, each widened to UTF-16 on the way.
std::vector<int> LiteralEveryHit(const std::string& text, int start);

// One statement over the trigram index (texts of 3 bytes or more) or LIKE (shorter ones).
class SqliteEveryHit {
 public:
  SqliteEveryHit(const SqliteChart& chart, const std::string& text);
  ~SqliteEveryHit();
  SqliteEveryHit(const SqliteEveryHit&) = delete;
  SqliteEveryHit& operator=(const SqliteEveryHit&) = delete;

  std::vector<int> From(int start);

 private:
  sqlite3_stmt* statement_ = nullptr;
  std::string match_;
  std::string pattern_;
};

}  // namespace tuneledger_bench

#endif
