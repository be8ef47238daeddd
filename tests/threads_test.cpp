// Threads calling at once each get their own answer.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "reference_model.h"
#include "test_support.h"
#include "tuneledger.h"

namespace {

TEST(Threads, EachThreadKeepsItsOwnAnswer) {
  const std::u16string texts[] = {u"(x124)", u"love", u"no such text", u"|46547|", u"e", u"night"};
  constexpr int Threads = 6;
  std::atomic<int> arrived{0};
  std::vector<std::u16string> seen(Threads);
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([&, t] {
      const tuneledger_char* mine = FoodPickerText(Caller(texts[t].c_str()), t);
      // Wait until every thread has answered, so a shared result would show another's text.
      arrived.fetch_add(1);
      while (arrived.load() < Threads) std::this_thread::yield();
      seen[t] = Answer(mine);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < Threads; ++t) EXPECT_EQ(seen[t], reference::SearchText(texts[t].c_str(), t)) << t;
}

}  // namespace
