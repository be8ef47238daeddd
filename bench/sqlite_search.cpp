#include "bench/sqlite_search.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bench/query_classes.h"
#include "data/chart_table.h"
#include "tests/kit/text.h"

namespace tuneledger_bench {
namespace {

// Shorter phrases can't be matched by the trigram index.
constexpr std::size_t ShortestIndexedTerm = 3;

bool IsIndexable(const std::string& term) { return term.size() >= ShortestIndexedTerm; }

// A benchmark whose peer fails measures nothing: stop at once and say why.
void Check(int result, int expected, sqlite3* db, const char* what) {
  if (result == expected) return;
  std::fprintf(stderr, "SQLite failed to %s: %s\n", what, sqlite3_errmsg(db));
  std::exit(EXIT_FAILURE);
}

void Execute(sqlite3* db, const char* sql) {
  Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK, db, sql);
}

sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK, db, sql.c_str());
  return statement;
}

void BindText(sqlite3_stmt* statement, int parameter, const std::string& text) {
  Check(sqlite3_bind_text(statement, parameter, text.data(), static_cast<int>(text.size()), SQLITE_STATIC),
        SQLITE_OK, sqlite3_db_handle(statement), "bind a text");
}

void InsertEntries(sqlite3* db) {
  sqlite3_stmt* into_index = Prepare(db, "INSERT INTO chart_index(rowid, text) VALUES (?, ?)");
  sqlite3_stmt* into_plain = Prepare(db, "INSERT INTO chart(id, text) VALUES (?, ?)");
  for (int i = 0; i <= tuneledger::LastEntryIndex; ++i) {
    const std::string_view entry = tuneledger::EntryText(i);
    for (sqlite3_stmt* insert : {into_index, into_plain}) {
      sqlite3_bind_int(insert, 1, i);
      sqlite3_bind_text(insert, 2, entry.data(), static_cast<int>(entry.size()), SQLITE_STATIC);
      Check(sqlite3_step(insert), SQLITE_DONE, db, "insert an entry");
      sqlite3_reset(insert);
    }
  }
  sqlite3_finalize(into_index);
  sqlite3_finalize(into_plain);
}

std::string MatchExpression(const std::vector<std::string>& terms) {
  std::string match;
  for (const std::string& term : terms) {
    if (!IsIndexable(term)) continue;
    if (!match.empty()) match += " AND ";
    match += QuotedPhrase(term);
  }
  return match;
}

// The statement for the terms split into `match` (on the index) and `likes` (on the plain
// table). Parameter 1 is the start; then the MATCH expression, if any; then the LIKE patterns.
std::string SearchSql(const std::string& match, std::size_t likes) {
  std::string sql;
  if (match.empty()) {
    sql = "SELECT id FROM chart WHERE id >= ?1";
  } else if (likes == 0) {
    sql = "SELECT rowid FROM chart_index WHERE rowid >= ?1 AND chart_index MATCH ?2";
  } else {
    sql =
        "SELECT chart_index.rowid FROM chart_index JOIN chart ON chart.id = chart_index.rowid"
        " WHERE chart_index.rowid >= ?1 AND chart_index MATCH ?2";
  }
  for (std::size_t i = 0; i < likes; ++i) sql += " AND chart.text LIKE ? ESCAPE '\\'";
  sql += match.empty() ? " ORDER BY id LIMIT 1" : " ORDER BY chart_index.rowid LIMIT 1";
  return sql;
}

// The LIKE patterns of the terms `way` asks on the plain table: every term for Way::Like, the
// terms too short for the index otherwise.
std::vector<std::string> LikePatterns(const std::vector<std::string>& terms, Way way) {
  std::vector<std::string> likes;
  for (const std::string& term : terms) {
    if (way == Way::Like || !IsIndexable(term)) likes.push_back(ContainsPattern(term));
  }
  return likes;
}

// Binds SearchSql's parameters: the start, the MATCH expression if any, the LIKE patterns.
void BindSearch(sqlite3_stmt* statement, int start, const std::string& match, const std::vector<std::string>& likes) {
  sqlite3_bind_int(statement, 1, start);
  int parameter = 2;
  if (!match.empty()) BindText(statement, parameter++, match);
  for (const std::string& like : likes) BindText(statement, parameter++, like);
}

}  // namespace

const char* WayName(Way way) { return way == Way::Index ? "fts5" : "like"; }

bool CanAnswer(Way way, const std::vector<std::string>& terms) {
  return way == Way::Like || std::any_of(terms.begin(), terms.end(), IsIndexable);
}

bool Accepts(const SqliteChart& chart, const std::vector<std::string>& terms, Way way) {
  const std::string match = way == Way::Index ? MatchExpression(terms) : std::string();
  const std::vector<std::string> likes = LikePatterns(terms, way);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(chart.db(), SearchSql(match, likes.size()).c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    return false;
  }
  BindSearch(statement, 0, match, likes);
  const int step = sqlite3_step(statement);
  sqlite3_finalize(statement);
  return step == SQLITE_ROW || step == SQLITE_DONE;
}

SqliteChart::SqliteChart() {
  Check(sqlite3_open(":memory:", &db_), SQLITE_OK, db_, "open an in-memory database");
  Execute(db_, "CREATE VIRTUAL TABLE chart_index USING fts5(text, tokenize = 'trigram')");
  Execute(db_, "CREATE TABLE chart(id INTEGER PRIMARY KEY, text TEXT NOT NULL)");
  Execute(db_, "BEGIN");
  InsertEntries(db_);
  Execute(db_, "COMMIT");
  // One merged index, as a read-only table would be shipped: SQLite at its fastest.
  Execute(db_, "INSERT INTO chart_index(chart_index) VALUES ('optimize')");
}

SqliteChart::~SqliteChart() { sqlite3_close(db_); }

SqliteSearch::SqliteSearch(const SqliteChart& chart, std::vector<std::string> terms, Way way)
    : db_(chart.db()) {
  if (way == Way::Index) match_ = MatchExpression(terms);
  likes_ = LikePatterns(terms, way);
  statement_ = Prepare(db_, SearchSql(match_, likes_.size()));
}

SqliteSearch::~SqliteSearch() { sqlite3_finalize(statement_); }

int SqliteSearch::FirstHit(int start) {
  BindSearch(statement_, start, match_, likes_);
  const int step = sqlite3_step(statement_);
  if (step != SQLITE_ROW) Check(step, SQLITE_DONE, db_, "search");
  const int hit = step == SQLITE_ROW ? sqlite3_column_int(statement_, 0) : NoEntry;
  sqlite3_reset(statement_);
  return hit;
}

SqliteLookup::SqliteLookup(const SqliteChart& chart)
    : db_(chart.db()), statement_(Prepare(db_, "SELECT text FROM chart WHERE id = ?")) {}

SqliteLookup::~SqliteLookup() { sqlite3_finalize(statement_); }

std::u16string_view SqliteLookup::Lookup(int index, char16_t* out) {
  sqlite3_bind_int(statement_, 1, index);
  Check(sqlite3_step(statement_), SQLITE_ROW, db_, "read an entry");
  const auto* bytes = sqlite3_column_text(statement_, 0);
  const std::size_t length = static_cast<std::size_t>(sqlite3_column_bytes(statement_, 0));
  for (std::size_t i = 0; i < length; ++i) out[i] = kit::CharOfByte(bytes[i]);
  out[length] = u'\0';
  sqlite3_reset(statement_);
  return {out, length};
}

std::string QuotedPhrase(std::string_view term) {
  std::string phrase = "\"";
  for (char c : term) {
    if (c == '"') phrase += '"';
    phrase += c;
  }
  return phrase + '"';
}

std::string ContainsPattern(std::string_view term) {
  std::string pattern = "%";
  for (char c : term) {
    if (c == '%' || c == '_' || c == '\\') pattern += '\\';
    pattern += c;
  }
  return pattern + '%';
}

}  // namespace tuneledger_bench
