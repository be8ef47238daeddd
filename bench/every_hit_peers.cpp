#include "bench/every_hit_peers.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/chart_table.h"
#include "tests/kit/text.h"

namespace tuneledger_bench {
namespace {

void Widen(const unsigned char* bytes, std::size_t length, char16_t* out) {
  for (std::size_t i = 0; i < length; ++i) out[i] = kit::CharOfByte(bytes[i]);
  out[length] = u'\0';
}

}  // namespace

std::vector<int> LiteralEveryHit(const std::string& text, int start) {
  const std::string folded = kit::Folded(text);
  std::vector<int> hits;
  char buffer[tuneledger::LongestEntry + 1];
  char16_t wide[tuneledger::LongestEntry + 1];
  for (int i = std::max(start, 0); i <= tuneledger::LastEntryIndex; ++i) {
    const std::string_view entry = tuneledger::EntryText(i);
    std::memcpy(buffer, entry.data(), entry.size());
    std::transform(buffer, buffer + entry.size(), buffer, kit::FoldLetter);
    if (std::string_view(buffer, entry.size()).find(folded) == std::string_view::npos) continue;
    Widen(reinterpret_cast<const unsigned char*>(entry.data()), entry.size(), wide);
    hits.push_back(i);
  }
  return hits;
}

SqliteEveryHit::SqliteEveryHit(const SqliteChart& chart, const std::string& text) {
  const char* sql;
  if (text.size() >= 3) {
    match_ = QuotedPhrase(text);
    sql = "SELECT rowid, text FROM chart_index WHERE rowid >= ?1 AND chart_index MATCH ?2 ORDER BY rowid";
  } else {
    pattern_ = ContainsPattern(text);
    sql = "SELECT id, text FROM chart WHERE id >= ?1 AND text LIKE ?2 ESCAPE '\\' ORDER BY id";
  }
  if (sqlite3_prepare_v2(chart.db(), sql, -1, &statement_, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "SQLite failed to prepare %s: %s\n", sql, sqlite3_errmsg(chart.db()));
    std::exit(EXIT_FAILURE);
  }
}

SqliteEveryHit::~SqliteEveryHit() { sqlite3_finalize(statement_); }

std::vector<int> SqliteEveryHit::From(int start) {
  const std::string& text = match_.empty() ? pattern_ : match_;
  sqlite3_bind_int(statement_, 1, start);
  sqlite3_bind_text(statement_, 2, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  std::vector<int> hits;
  char16_t wide[tuneledger::LongestEntry + 1];
  while (sqlite3_step(statement_) == SQLITE_ROW) {
    const auto* bytes = sqlite3_column_text(statement_, 1);
    Widen(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, 1)), wide);
    hits.push_back(sqlite3_column_int(statement_, 0));
  }
  sqlite3_reset(statement_);
  return hits;
}

}  // namespace tuneledger_bench
