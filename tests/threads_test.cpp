// Threads calling at once each get their own answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "data/chart_table.h"
#include "tests/kit/calls.h"
#include "tests/kit/reference_model.h"
#include "tests/kit/text.h"
#include "tuneledger.h"

namespace {

using kit::Read;
using kit::ToLibrary;

TEST(Threads, EachThreadKeepsItsOwnAnswer) {
  const std::u16string texts[] = {u"(x124)", u"love", u"no such text", u"|46547|", u"e", u"night"};
  constexpr int Threads = 6;
  std::atomic<int> arrived{0};
  std::vector<std::u16string> seen(Threads);
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([&, t] {
      const tuneledger_char* mine = FoodPickerText(ToLibrary(texts[t].c_str()), t);
      // Wait until every thread has answered, so a shared result would show another's text.
      arrived.fetch_add(1);
      while (arrived.load() < Threads) std::this_thread::yield();
      seen[t] = Read(mine);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < Threads; ++t) EXPECT_EQ(seen[t], reference::TextSearch(texts[t].c_str(), t)) << t;
}

// One call of each operation.
struct Round {
  std::int32_t index;
  std::u16string text;
  std::int32_t text_start;
  std::u16string filter;
  std::int32_t filter_start;
};

struct Answers {
  std::u16string lookup, text_search, term_filter;
  bool operator==(const Answers& other) const {
    return lookup == other.lookup && text_search == other.text_search && term_filter == other.term_filter;
  }
};

struct Places {
  const tuneledger_char *lookup, *text_search, *term_filter;
};

// Calls all three before reading any answer, so a call that wrote over another operation's
// answer would show.
Answers Call(const Round& round, Places* places = nullptr) {
  const tuneledger_char* lookup = FoodPicker(round.index);
  const tuneledger_char* text_search = FoodPickerText(ToLibrary(round.text.c_str()), round.text_start);
  const tuneledger_char* term_filter = FoodPickerFilter(ToLibrary(round.filter.c_str()), round.filter_start);
  if (places) *places = {lookup, text_search, term_filter};
  return {Read(lookup), Read(text_search), Read(term_filter)};
}

// A round whose three answers are entry `entry` in full: long answers.
Round LongRound(int entry) {
  std::string stored(tuneledger::EntryText(entry));
  std::string terms = stored.substr(0, 8) + ";" + stored.substr(stored.size() - 6) + ";";
  return {entry, kit::WideFromBytes(stored), entry, kit::WideFromBytes(terms), entry};
}

// A round whose answers are the short messages.
Round ShortRound(int thread) {
  std::u16string digits = kit::WideFromBytes(std::to_string(thread));
  return {11082 + thread, u"no such text " + digits, thread, u"(x124);" + digits + u";", 5 + thread};
}

// Each thread alternates long and short answers, so a terminator left out would show the tail
// of the answer before it; and each thread has its own entries, so a shared result text would
// show another thread's answer.
std::vector<Round> RoundsOf(int thread) {
  int entry = thread * 2957 % (tuneledger::LastEntryIndex + 1);
  return {LongRound(entry), ShortRound(thread), LongRound(entry / 2), ShortRound(thread + 1)};
}

void WaitUntil(const std::atomic<int>& count, int target) {
  while (count.load() < target) std::this_thread::yield();
}

TEST(Threads, ManyMoreThreadsThanCoresReleasedTogether) {
  const int threads = static_cast<int>(std::max(32u, 4 * std::thread::hardware_concurrency()));
  std::vector<std::vector<Answers>> expected(threads);
  for (int t = 0; t < threads; ++t) {
    for (const Round& round : RoundsOf(t)) expected[t].push_back(Call(round));
  }

  std::atomic<int> ready{0}, done{0};
  std::vector<std::vector<Answers>> seen(threads);
  std::vector<Answers> kept(threads);
  std::vector<Places> places(threads);
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      std::vector<Round> rounds = RoundsOf(t);
      ready.fetch_add(1);
      WaitUntil(ready, threads);
      for (const Round& round : rounds) seen[t].push_back(Call(round, &places[t]));
      // Stay alive until every thread has answered, then read the last answers again.
      done.fetch_add(1);
      WaitUntil(done, threads);
      kept[t] = {Read(places[t].lookup), Read(places[t].text_search), Read(places[t].term_filter)};
    });
  }
  for (std::thread& thread : pool) thread.join();

  std::set<const tuneledger_char*> distinct;
  for (int t = 0; t < threads; ++t) {
    EXPECT_TRUE(seen[t] == expected[t]) << "thread " << t;
    EXPECT_TRUE(kept[t] == expected[t].back()) << "thread " << t;
    distinct.insert({places[t].lookup, places[t].text_search, places[t].term_filter});
  }
  EXPECT_EQ(distinct.size(), 3u * static_cast<unsigned>(threads)) << "live threads share a result text";
}

// Every thread starts with fresh result texts; thousands of them come and go.
TEST(Threads, ThousandsOfShortLivedThreads) {
  constexpr int Threads = 2000, AtOnce = 50, Entries = 80;
  // Entries near the end of the table: each search decides within a few entries.
  auto round_of = [](int t) { return LongRound(tuneledger::LastEntryIndex - t % Entries); };
  std::vector<Answers> expected;
  for (int t = 0; t < Entries; ++t) expected.push_back(Call(round_of(t)));

  std::vector<char> right(Threads, 0);
  for (int first = 0; first < Threads; first += AtOnce) {
    std::vector<std::thread> wave;
    for (int t = first; t < first + AtOnce; ++t) {
      wave.emplace_back([&, t] { right[t] = Call(round_of(t)) == expected[t % Entries]; });
    }
    for (std::thread& thread : wave) thread.join();
  }
  EXPECT_EQ(std::count(right.begin(), right.end(), 1), Threads);
}

}  // namespace
