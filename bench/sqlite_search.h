// The peer a developer would reach for instead of this library: SQLite, in process, holding the
// same 11,082 entries twice, in an FTS5 table with the trigram tokenizer and in a plain table.
//
// FTS5's trigram index can only MATCH a phrase of 3 or more bytes, so shorter terms are asked
// with LIKE, and always on the plain table: SQLite 3.40 was seen to crash on LIKE with 1- or
// 2-character patterns against an FTS5 trigram table. For plain-ASCII terms both MATCH (with
// the trigram tokenizer's default case folding) and LIKE ignore exactly the case of A-Z, as
// the library does.
#ifndef TUNELEDGER_BENCH_SQLITE_SEARCH_H
#define TUNELEDGER_BENCH_SQLITE_SEARCH_H

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

namespace tuneledger_bench {

// How SQLite is asked.
enum class Way {
  Index,  // MATCH on the trigram index for terms of 3+ bytes, LIKE on the plain table for others
  Like,   // LIKE on the plain table for every term
};

const char* WayName(Way way);
// Whether `way` can answer for these terms: the index needs at least one term of 3+ bytes.
bool CanAnswer(Way way, const std::vector<std::string>& terms);

class SqliteChart;
// Whether SQLite takes the statement for these terms at all: it refuses expressions nested
// deeper than its limit, as thousands of terms joined by AND are.
bool Accepts(const SqliteChart& chart, const std::vector<std::string>& terms, Way way);

// An in-memory database with both tables filled, built once.
class SqliteChart {
 public:
  SqliteChart();
  ~SqliteChart();
  SqliteChart(const SqliteChart&) = delete;
  SqliteChart& operator=(const SqliteChart&) = delete;

  sqlite3* db() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// One prepared statement answering "the first entry at or after start holding every term";
// prepared once and run many times, as an application would keep it.
class SqliteSearch {
 public:
  SqliteSearch(const SqliteChart& chart, std::vector<std::string> terms, Way way);
  ~SqliteSearch();
  SqliteSearch(const SqliteSearch&) = delete;
  SqliteSearch& operator=(const SqliteSearch&) = delete;

  // The entry's index (its rowid), or NoEntry.
  int FirstHit(int start);

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
  std::string match_;               // the index's MATCH expression; empty when not asked
  std::vector<std::string> likes_;  // one LIKE pattern per term asked on the plain table
};

// Entry `index` read by rowid from the plain table.
class SqliteLookup {
 public:
  explicit SqliteLookup(const SqliteChart& chart);
  ~SqliteLookup();
  SqliteLookup(const SqliteLookup&) = delete;
  SqliteLookup& operator=(const SqliteLookup&) = delete;

  // Entry `index` as UTF-16 in `out`, which has room for the longest entry and a terminator.
  std::u16string_view Lookup(int index, char16_t* out);

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

// The term as an FTS5 phrase: in double quotes, with a double quote inside doubled.
std::string QuotedPhrase(std::string_view term);
// A LIKE pattern matching any text that holds `term`, for use with ESCAPE '\'.
std::string ContainsPattern(std::string_view term);

}  // namespace tuneledger_bench

#endif
