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

std::vector<int> LiteralEveryHit(const std::vector<std::string>& terms, int start) {
  std::vector<std::string> folded;
  for (const std::string& term : terms) folded.push_back(kit::Folded(term));
  std::vector<int> hits;
  char buffer[tuneledger::LongestEntry + 1];
  char16_t wide[tuneledger::LongestEntry + 1];
  for (int i = std::max(start, 0); i <= tuneledger::LastEntryIndex; ++i) {
    const std::string_view entry = tuneledger::EntryText(i);
    std::memcpy(buffer, entry.data(), entry.size());
    std::transform(buffer, buffer + entry.size(), buffer, kit::FoldLetter);
    const std::string_view copy(buffer, entry.size());
    if (!std::all_of(folded.begin(), folded.end(),
                     [copy](const std::string& term) { return copy.find(term) != std::string_view::npos; })) {
      continue;
    }
    Widen(reinterpret_cast<const unsigned char*>(entry.data()), entry.size(), wide);
    hits.push_back(i);
  }
  return hits;
}

SqliteEveryHit::SqliteEveryHit(const SqliteChart& chart, const std::vector<std::string>& terms) {
  std::string sql;
  if (!terms.empty() && std::all_of(terms.begin(), terms.end(), [](const std::string& t) { return t.size() >= 3; })) {
    for (const std::string& term : terms) match_ += (match_.empty() ? "" : " AND ") + QuotedPhrase(term);
    sql = "SELECT rowid, text FROM chart_index WHERE rowid >= ?1 AND chart_index MATCH ?2 ORDER BY rowid";
  } else {
    sql = "SELECT id, text FROM chart WHERE id >= ?1";
    for (const std::string& term : terms) {
      patterns_.push_back(ContainsPattern(term));
      sql += " AND text LIKE ?" + std::to_string(patterns_.size() + 1) + " ESCAPE '\\'";
    }
    sql += " ORDER BY id";
  }
  if (sqlite3_prepare_v2(chart.db(), sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "SQLite failed to prepare %s: %s\n", sql.c_str(), sqlite3_errmsg(chart.db()));
    std::exit(EXIT_FAILURE);
  }
}

SqliteEveryHit::~SqliteEveryHit() { sqlite3_finalize(statement_); }

std::vector<int> SqliteEveryHit::From(int start) {
  sqlite3_bind_int(statement_, 1, start);
  if (!match_.empty()) {
    sqlite3_bind_text(statement_, 2, match_.data(), static_cast<int>(match_.size()), SQLITE_STATIC);
  } else {
    for (std::size_t i = 0; i < patterns_.size(); ++i) {
      sqlite3_bind_text(statement_, static_cast<int>(i) + 2, patterns_[i].data(), static_cast<int>(patterns_[i].size()),
                        SQLITE_STATIC);
    }
  }
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
