// The adversary: searches for the calls the library answers slowest, family by family, by
// hill-climbing on the instructions callgrind counts for each call. Run it through
// bench/adversary.sh, which starts it under callgrind:
//
//   bench/adversary.sh build/bench/bench/tuneledger_adversary [--seconds=N] [--seed=N]
//                      [--family=PART] [--keep=bench/adversary_classes.inc]
//
// Each family (Families below; bench/README.md lists them) draws queries of its kind from the
// chart table with a fixed seed, then mutates the slowest found so far (a byte, a term, the
// start), keeping a mutant that costs at least as much, until its share of the time is spent.
// Each family starts from the class kept for it last time (adversary_classes.inc), so a run
// never ends with less than the kept one. At the end it prints the slowest call of each family
// in instructions and in readings of the whole table with memchr, beside the literal method and
// SQLite counted alike, and checks that every peer gives the library's answer. With --keep it
// writes those calls as benchmark classes, which hostile_classes.cpp includes.
#include <valgrind/callgrind.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench/every_hit_peers.h"
#include "bench/hostile_classes.h"
#include "bench/literal_search.h"
#include "bench/query_classes.h"
#include "bench/sqlite_search.h"
#include "data/chart_table.h"
#include "tests/kit/calls.h"
#include "tests/kit/text.h"
#include "tuneledger.h"

namespace tuneledger_bench {
namespace {

constexpr std::uint32_t DefaultSeed = 20261211;
constexpr int DefaultSeconds = 600;
constexpr const char* KeptPrefix = "a_";  // the kept classes' names begin with it

// --- Counting --------------------------------------------------------------------------------

// Reads the instructions of each counted call from the dump callgrind writes for it.
class Counter {
 public:
  explicit Counter(std::string dumps) : dumps_(std::move(dumps)) {}

  // The instructions of one call of `call`, made once before uncounted.
  std::uint64_t Count(const std::function<void()>& call) {
    call();
    CALLGRIND_ZERO_STATS;
    call();
    CALLGRIND_DUMP_STATS_AT("adversary");
    const std::string file = dumps_ + "." + std::to_string(next_++);
    std::ifstream dump(file);
    std::uint64_t total = 0;
    for (std::string line; std::getline(dump, line);) {
      if (line.rfind("summary: ", 0) == 0) total = std::strtoull(line.c_str() + 9, nullptr, 10);
    }
    std::remove(file.c_str());
    return total;
  }

 private:
  std::string dumps_;
  int next_ = 1;
};

// --- Queries ---------------------------------------------------------------------------------

struct Query {
  Operation operation;
  Walk walk;
  std::string text;  // 8-bit; for a filter, terms each closed by ';'
  int start;
};

std::u16string Wide(const Query& q) { return kit::WideFromBytes(q.text); }

int LibraryFirst(Operation operation, const std::u16string& wide, int start) {
  return kit::HitIndex(kit::FromLibrary(kit::Call(kit::InProcess(), operation, wide.c_str(), start)));
}

// The first hit, or for a paging query the number of hits from its start.
int LibraryAnswer(const Query& q, const std::u16string& wide) {
  if (q.walk == Walk::FirstHit) return LibraryFirst(q.operation, wide, q.start);
  int hits = 0;
  for (int hit = LibraryFirst(q.operation, wide, q.start); hit != NoEntry;
       hit = LibraryFirst(q.operation, wide, hit + 1)) {
    ++hits;
  }
  return hits;
}

std::vector<std::string> TermsOf(const Query& q) {
  return q.operation == Operation::TermFilter ? kit::SplitTerms(q.text) : std::vector<std::string>{q.text};
}

// --- What the families draw from -------------------------------------------------------------

class Chart {
 public:
  Chart() {
    for (int i = 0; i <= tuneledger::LastEntryIndex; ++i) entries_.push_back(kit::Folded(tuneledger::EntryText(i)));
  }

  // A piece of `length` bytes of a random entry: common pieces come up as often as they occur.
  std::string Piece(std::mt19937& random, std::size_t length) const {
    for (;;) {
      const std::string& entry = entries_[Pick(random, entries_.size())];
      if (entry.size() < length) continue;
      return entry.substr(Pick(random, entry.size() - length + 1), length);
    }
  }

  // A byte as the table holds it, drawn as often as it occurs.
  char Byte(std::mt19937& random) const { return Piece(random, 1)[0]; }

  // A byte of 0x80 or above that the table holds.
  char HighByte(std::mt19937& random) const {
    for (;;) {
      const std::string& entry = entries_[Pick(random, entries_.size())];
      for (std::size_t tries = 0; tries < entry.size(); ++tries) {
        char c = entry[Pick(random, entry.size())];
        if (static_cast<unsigned char>(c) >= 0x80) return c;
      }
    }
  }

  static std::size_t Pick(std::mt19937& random, std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
  }

 private:
  std::vector<std::string> entries_;
};

int RandomStart(std::mt19937& random) {
  switch (Chart::Pick(random, 4)) {
    case 0: return 0;
    case 1: return static_cast<int>(Chart::Pick(random, 11000));
    case 2: return tuneledger::LastEntryIndex - static_cast<int>(Chart::Pick(random, 1200));
    default: return static_cast<int>(Chart::Pick(random, tuneledger::LastEntryIndex + 1));
  }
}

// A term of 1 to 4 bytes, short ones most often, as common as the table makes it; now and then
// with one byte changed, so that it may occur nowhere.
std::string RandomTerm(const Chart& chart, std::mt19937& random) {
  static constexpr std::size_t Lengths[] = {1, 1, 1, 2, 2, 2, 3, 3, 4};
  std::string term = chart.Piece(random, Lengths[Chart::Pick(random, std::size(Lengths))]);
  if (Chart::Pick(random, 6) == 0) term[Chart::Pick(random, term.size())] = chart.Byte(random);
  std::replace(term.begin(), term.end(), ';', ' ');
  return term;
}

std::string JoinTerms(const std::vector<std::string>& terms) {
  std::string filter;
  for (const std::string& term : terms) filter += term + ";";
  return filter;
}

// --- Families --------------------------------------------------------------------------------

struct Family {
  std::string name;         // the kept class is named KeptPrefix + name
  std::string description;  // one line
  Operation operation;
  Walk walk;
  std::size_t least, most;  // bytes of a text, or terms of a filter
  bool high;                // a text holds a byte of 0x80 or above
  enum class Presence { Any, Absent, Present } presence;
};

std::vector<Family> Families() {
  std::vector<Family> families;
  for (std::size_t length : {1, 2, 3, 4, 5, 6, 8, 12}) {
    const std::string n = std::to_string(length);
    const std::string bytes = length == 1 ? " byte" : " bytes";
    families.push_back({"text_absent_" + n, "a text of " + n + bytes + " that no entry holds", Operation::TextSearch,
                        Walk::FirstHit, length, length, false, Family::Presence::Absent});
  }
  for (std::size_t length : {1, 2, 3, 4, 6}) {
    const std::string n = std::to_string(length);
    const std::string bytes = length == 1 ? " byte" : " bytes";
    families.push_back({"text_present_" + n, "a text of " + n + bytes + " that some entry holds",
                        Operation::TextSearch, Walk::FirstHit, length, length, false, Family::Presence::Present});
  }
  families.push_back({"text_code_page", "a text of 1 to 8 bytes with one of 0x80 or above", Operation::TextSearch,
                      Walk::FirstHit, 1, 8, true, Family::Presence::Any});
  const std::pair<std::size_t, std::size_t> term_counts[] = {{1, 1}, {2, 2}, {3, 5}, {6, 15}, {16, 30}, {31, 100}};
  for (auto [least, most] : term_counts) {
    const std::string n = least == most ? std::to_string(least) : std::to_string(least) + "_" + std::to_string(most);
    const std::string said = least == most ? n : std::to_string(least) + " to " + std::to_string(most);
    families.push_back({"filter_" + n, "a filter of " + said + (most == 1 ? " term" : " terms") + " of 1 to 4 bytes", Operation::TermFilter,
                        Walk::FirstHit, least, most, false, Family::Presence::Any});
  }
  families.push_back({"page_text", "every hit of a text of 1 to 4 bytes from 0, against the literal pass",
                      Operation::TextSearch, Walk::EveryHit, 1, 4, false, Family::Presence::Present});
  families.push_back({"page_filter", "every hit of a filter of 2 to 4 terms from 0, against the literal pass",
                      Operation::TermFilter, Walk::EveryHit, 2, 4, false, Family::Presence::Present});
  return families;
}

class Climber {
 public:
  Climber(const Chart& chart, Counter& counter, std::mt19937& random)
      : chart_(chart), counter_(counter), random_(random) {}

  // A query of the family's kind, drawn at random.
  Query Draw(const Family& family) {
    Query q{family.operation, family.walk, {}, family.walk == Walk::EveryHit ? 0 : RandomStart(random_)};
    if (family.operation == Operation::TermFilter) {
      const std::size_t count = family.least + Chart::Pick(random_, family.most - family.least + 1);
      std::vector<std::string> terms;
      for (std::size_t i = 0; i < count; ++i) terms.push_back(RandomTerm(chart_, random_));
      q.text = JoinTerms(terms);
    } else {
      const std::size_t length = family.least + Chart::Pick(random_, family.most - family.least + 1);
      q.text = chart_.Piece(random_, length);
      if (family.presence == Family::Presence::Absent) q.text[Chart::Pick(random_, length)] = AnyByte();
      if (family.high) q.text[Chart::Pick(random_, length)] = chart_.HighByte(random_);
    }
    return q;
  }

  Query Mutate(const Family& family, Query q) {
    const std::size_t what = Chart::Pick(random_, 8);
    if (what == 0 && family.walk == Walk::FirstHit) {
      q.start = Chart::Pick(random_, 2) ? RandomStart(random_)
                                         : std::clamp(q.start + static_cast<int>(Chart::Pick(random_, 201)) - 100, 0,
                                                      tuneledger::LastEntryIndex);
      return q;
    }
    if (family.operation == Operation::TermFilter) {
      std::vector<std::string> terms = kit::SplitTerms(q.text);
      const std::size_t at = Chart::Pick(random_, terms.size());
      if (what == 1 && terms.size() < family.most) {
        terms.insert(terms.begin() + static_cast<std::ptrdiff_t>(at), RandomTerm(chart_, random_));
      } else if (what == 2 && terms.size() > family.least) {
        terms.erase(terms.begin() + static_cast<std::ptrdiff_t>(at));
      } else if (what == 3 && !terms[at].empty()) {
        char c = chart_.Byte(random_);
        terms[at][Chart::Pick(random_, terms[at].size())] = c == ';' ? ' ' : c;
      } else if (what == 4 && terms.size() > 1) {
        std::swap(terms[at], terms[Chart::Pick(random_, terms.size())]);
      } else {
        terms[at] = RandomTerm(chart_, random_);
      }
      q.text = JoinTerms(terms);
      return q;
    }
    const std::size_t at = Chart::Pick(random_, q.text.size());
    if (what == 0) {
      q.text[at] = AnyByte();
    } else if (what <= 3) {
      q.text[at] = family.high && Chart::Pick(random_, 3) == 0 ? chart_.HighByte(random_) : chart_.Byte(random_);
    } else if (what == 4) {
      q.text = chart_.Piece(random_, q.text.size());
    } else if (what == 5 && q.text.size() < family.most) {
      q.text.insert(q.text.begin() + static_cast<std::ptrdiff_t>(at), chart_.Byte(random_));
    } else if (what == 6 && q.text.size() > family.least) {
      q.text.erase(at, 1);
    } else {
      q.text[at] = chart_.Byte(random_);
    }
    return q;
  }

  // Any byte but NUL, whether the table holds it or not.
  char AnyByte() { return static_cast<char>(1 + Chart::Pick(random_, 255)); }

  bool Fits(const Family& family, const Query& q) {
    if (q.text.find('\0') != std::string::npos) return false;
    if (family.operation == Operation::TermFilter) {
      const std::size_t terms = kit::SplitTerms(q.text).size();
      if (terms < family.least || terms > family.most) return false;
    } else {
      if (q.text.size() < family.least || q.text.size() > family.most) return false;
      const bool high = std::any_of(q.text.begin(), q.text.end(), [](char c) { return (c & 0x80) != 0; });
      if (high != family.high) return false;
    }
    if (family.presence == Family::Presence::Any) return true;
    const bool present = LibraryFirst(q.operation, Wide(q), 0) != NoEntry;
    return present == (family.presence == Family::Presence::Present);
  }

  // What the climb maximizes: the library's instructions for a first-hit call; for paging, the
  // library's walk against the literal method's one pass, in thousandths.
  std::uint64_t Cost(const Query& q) {
    const std::u16string wide = Wide(q);
    const std::uint64_t library = counter_.Count([&] { LibraryAnswer(q, wide); });
    if (q.walk == Walk::FirstHit) return library;
    const std::vector<std::string> terms = TermsOf(q);
    const std::uint64_t literal = counter_.Count([&] { LiteralEveryHit(terms, q.start); });
    return library * 1000 / std::max<std::uint64_t>(literal, 1);
  }

  // The slowest query of the family found within `seconds`, from `seed` (if any) and random draws.
  std::pair<Query, std::uint64_t> Climb(const Family& family, std::optional<Query> seed, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    const auto time_left = [&] { return std::chrono::steady_clock::now() < until; };
    std::vector<std::pair<std::uint64_t, Query>> pool;  // the best few, slowest first
    const auto offer = [&](const Query& q) {
      const std::uint64_t cost = Cost(q);
      pool.emplace_back(cost, q);
      std::stable_sort(pool.begin(), pool.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
      if (pool.size() > 4) pool.pop_back();
      return cost;
    };
    if (seed && Fits(family, *seed)) offer(*seed);
    for (int drawn = 0; drawn < 8 || pool.empty(); ++drawn) {
      Query q = Draw(family);
      if (Fits(family, q)) offer(q);
      if (!time_left() && (!pool.empty() || drawn > 10000)) break;
    }
    if (pool.empty()) return {Draw(family), 0};
    while (time_left()) {
      // Mostly the slowest so far; now and then another of the best few, or a fresh draw.
      const std::size_t from = Chart::Pick(random_, 5) == 0 ? Chart::Pick(random_, pool.size()) : 0;
      Query q = Chart::Pick(random_, 12) == 0 ? Draw(family) : Mutate(family, pool[from].second);
      for (int more = static_cast<int>(Chart::Pick(random_, 3)); more > 0; --more) q = Mutate(family, q);
      if (Fits(family, q)) offer(q);
    }
    return {pool.front().second, pool.front().first};
  }

 private:
  const Chart& chart_;
  Counter& counter_;
  std::mt19937& random_;
};

// --- Reporting -------------------------------------------------------------------------------

// The query as a C++ string literal: printable ASCII as it is, every other byte in octal (which
// ends after three digits, unlike \x).
std::string Literal(const std::string& text) {
  std::string literal = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\' && c != '?') {
      literal += c;
    } else {
      char octal[5];
      std::snprintf(octal, sizeof octal, "\\%03o", byte);
      literal += octal;
    }
  }
  return literal + "\"";
}

struct Found {
  const Family* family;
  Query query;
  std::uint64_t library = 0, literal = 0, sqlite = 0;  // instructions; 0: not asked
  std::string sqlite_way = "-";
  bool agree = true;
};

// The peers' instructions for the same call, and whether they give the library's answer.
void CountPeers(const SqliteChart& chart, Counter& counter, Found& found) {
  const Query& q = found.query;
  const std::u16string wide = Wide(q);
  const int answer = LibraryAnswer(q, wide);
  found.library = counter.Count([&] { LibraryAnswer(q, wide); });
  const std::vector<std::string> terms = TermsOf(q);
  if (q.walk == Walk::EveryHit) {
    found.literal = counter.Count([&] { LiteralEveryHit(terms, q.start); });
    found.agree = static_cast<int>(LiteralEveryHit(terms, q.start).size()) == answer;
    if (!Accepts(chart, terms, Way::Like)) return;
    auto every = std::make_shared<SqliteEveryHit>(chart, terms);
    found.sqlite = counter.Count([&] { every->From(q.start); });
    found.sqlite_way = "step";
    found.agree &= static_cast<int>(every->From(q.start).size()) == answer;
    return;
  }
  const auto literal = [&] {
    return q.operation == Operation::TermFilter ? LiteralFilter(q.text, q.start) : LiteralFindText(q.text, q.start);
  };
  found.literal = counter.Count([&] { literal(); });
  found.agree = literal() == answer;
  for (Way way : {Way::Index, Way::Like}) {
    if (!CanAnswer(way, terms) || !Accepts(chart, terms, way)) continue;
    SqliteSearch search(chart, terms, way);
    const std::uint64_t count = counter.Count([&] { search.FirstHit(q.start); });
    found.agree &= search.FirstHit(q.start) == answer;
    if (found.sqlite == 0 || count < found.sqlite) {
      found.sqlite = count;
      found.sqlite_way = WayName(way);
    }
  }
}

std::string Shown(const std::string& text) {
  std::string shown = kit::Printable(kit::WideFromBytes(text), 40);
  return shown;
}

void Print(const std::vector<Found>& found, std::uint64_t pass) {
  std::printf("\nOne reading of the table with memchr: %llu instructions\n\n",
              static_cast<unsigned long long>(pass));
  std::printf("%-16s %6s %12s %7s %12s %12s %-5s %7s %7s  %s\n", "family", "start", "library", "passes", "literal",
              "SQLite", "via", "lib/lit", "lib/SQL", "query");
  for (const Found& f : found) {
    const auto ratio = [](std::uint64_t a, std::uint64_t b) { return b == 0 ? 0.0 : static_cast<double>(a) / static_cast<double>(b); };
    std::printf("%-16s %6d %12llu %7.2f %12llu %12llu %-5s %7.3f %7.3f  %s%s\n", f.family->name.c_str(),
                f.query.start, static_cast<unsigned long long>(f.library), ratio(f.library, pass),
                static_cast<unsigned long long>(f.literal), static_cast<unsigned long long>(f.sqlite),
                f.sqlite_way.c_str(), ratio(f.library, f.literal), ratio(f.library, f.sqlite),
                Shown(f.query.text).c_str(), f.agree ? "" : "   ANSWERS DIFFER");
  }
}

void WriteRow(std::ofstream& out, const std::string& name, const std::string& stresses, const Query& q) {
  const char* operation = q.operation == Operation::TermFilter ? "Operation::TermFilter" : "Operation::TextSearch";
  const char* walk = q.walk == Walk::EveryHit ? "Walk::EveryHit" : "Walk::FirstHit";
  out << "{\"" << name << "\", \"" << stresses << "\", " << operation << ", " << walk << ", " << Literal(q.text)
      << ", {" << q.start << "}},\n";
}

// Writes the found calls as rows of HostileClass, for hostile_classes.cpp to include, and after
// them the kept rows of families not searched this time and of earlier libraries (a_..._prev).
bool Keep(const std::string& path, const std::vector<Found>& found, std::uint32_t seed) {
  std::ofstream out(path);
  out << "// Generated by bench/adversary.cpp (bench/adversary.sh ... --keep=" << path << ", seed " << seed
      << "). DO NOT EDIT.\n// The slowest call it found per family, as rows of HostileClass; "
         "hostile_classes.cpp includes them.\n// Rows named a_..._prev were found against earlier "
         "libraries and are carried along.\n";
  std::vector<std::string> written;
  for (const Found& f : found) {
    if (!f.agree) continue;
    written.push_back(KeptPrefix + f.family->name);
    WriteRow(out, written.back(), "found by the adversary: " + f.family->description, f.query);
  }
  for (const HostileClass& kept : HostileClasses()) {
    if (kept.name.rfind(KeptPrefix, 0) != 0 || kept.starts.empty() ||
        std::find(written.begin(), written.end(), kept.name) != written.end()) {
      continue;
    }
    WriteRow(out, kept.name, kept.stresses, {kept.operation, kept.walk, kept.query, kept.starts.front()});
  }
  return static_cast<bool>(out);
}

std::optional<Query> KeptQuery(const Family& family) {
  for (const HostileClass& kept : HostileClasses()) {
    if (kept.name == KeptPrefix + family.name && !kept.starts.empty()) {
      return Query{kept.operation, kept.walk, kept.query, kept.starts.front()};
    }
  }
  return std::nullopt;
}

}  // namespace
}  // namespace tuneledger_bench

int main(int argc, char** argv) {
  using namespace tuneledger_bench;
  if (!RUNNING_ON_VALGRIND) {
    std::fprintf(stderr, "run it under callgrind: bench/adversary.sh %s [OPTION]...\n", argv[0]);
    return 2;
  }
  std::string dumps, keep, part;
  std::uint32_t seed = DefaultSeed;
  double seconds = DefaultSeconds;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&arg](const char* name, std::string& to) {
      if (arg.rfind(name, 0) != 0) return false;
      to = arg.substr(std::strlen(name));
      return true;
    };
    std::string number;
    if (value("--seconds=", number)) {
      seconds = std::atof(number.c_str());
    } else if (value("--seed=", number)) {
      seed = static_cast<std::uint32_t>(std::strtoul(number.c_str(), nullptr, 10));
    } else if (!value("--dumps=", dumps) && !value("--family=", part) && !value("--keep=", keep)) {
      std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
      return 2;
    }
  }
  Counter counter(dumps);
  std::mt19937 random(seed);
  const Chart chart;
  std::vector<Family> families;
  for (const Family& family : Families()) {
    if (family.name.find(part) != std::string::npos) families.push_back(family);
  }
  std::vector<Found> found;
  Climber climber(chart, counter, random);
  for (const Family& family : families) {
    auto [query, cost] = climber.Climb(family, KeptQuery(family), seconds / static_cast<double>(families.size()));
    std::fprintf(stderr, "%-16s %12llu  %s from %d\n", family.name.c_str(), static_cast<unsigned long long>(cost),
                 kit::Printable(kit::WideFromBytes(query.text), 60).c_str(), query.start);
    if (cost != 0) found.push_back({&family, query});
  }
  const SqliteChart sqlite;
  for (Found& f : found) CountPeers(sqlite, counter, f);
  // The unit: the searchable entries read once by memchr, for a byte no entry holds.
  const char* bytes = tuneledger::EntryBytes;
  const std::size_t size = tuneledger::EntryOffsets[tuneledger::LastEntryIndex + 1];
  volatile const void* sink = nullptr;
  const std::uint64_t pass = counter.Count([&] { sink = std::memchr(bytes, '~', size); });
  Print(found, pass);
  if (!keep.empty() && !Keep(keep, found, seed)) {
    std::fprintf(stderr, "could not write %s\n", keep.c_str());
    return 1;
  }
  return std::all_of(found.begin(), found.end(), [](const Found& f) { return f.agree; }) ? 0 : 1;
}
