// The chart table as the library holds it: every figure the table is known by, and the same
// bytes as data/chart.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "data/chart_table.h"

namespace tuneledger {
namespace {

std::vector<std::string_view> Entries() {
  std::vector<std::string_view> entries;
  for (int i = 0; i < EntryCount; ++i) entries.push_back(EntryText(i));
  return entries;
}

std::vector<std::string_view> Fields(std::string_view entry) {
  std::vector<std::string_view> fields;
  for (std::size_t bar; (bar = entry.find('|')) != std::string_view::npos;) {
    fields.push_back(entry.substr(0, bar));
    entry.remove_prefix(bar + 1);
  }
  fields.push_back(entry);
  return fields;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t n = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    }
    i += n;
  }
  return true;
}

std::vector<int> IndicesHolding(std::string_view needle) {
  std::vector<int> found;
  for (int i = 0; i < EntryCount; ++i) {
    if (EntryText(i).find(needle) != std::string_view::npos) found.push_back(i);
  }
  return found;
}

TEST(ChartTable, HoldsTheBytesOfChartTxt) {
  std::ifstream file(TUNELEDGER_CHART_FILE, std::ios::binary);
  ASSERT_TRUE(file) << TUNELEDGER_CHART_FILE;
  std::ostringstream bytes;
  bytes << file.rdbuf();
  std::string expected = bytes.str();
  std::replace(expected.begin(), expected.end(), '\n', '\0');
  ASSERT_EQ(EntryOffsets[EntryCount], expected.size());
  EXPECT_EQ(std::string_view(EntryBytes, expected.size()), expected);
  EXPECT_EQ(EntryOffsets[0], 0u);
}

TEST(ChartTable, SizesAndBytes) {
  std::size_t total = 0, shortest = SIZE_MAX, longest = 0;
  for (std::string_view e : Entries()) {
    total += e.size() + 1;
    shortest = std::min(shortest, e.size());
    longest = std::max(longest, e.size());
    EXPECT_TRUE(std::all_of(e.begin(), e.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x20; })) << e;
    EXPECT_NE(e.front(), ' ') << e;
    EXPECT_NE(e.back(), ' ') << e;
    EXPECT_EQ(std::count(e.begin(), e.end(), '|'), 7) << e;
  }
  EXPECT_EQ(EntryCount, 11084);
  EXPECT_EQ(LastEntryIndex, 11081);
  EXPECT_EQ(total, 570090u);
  EXPECT_EQ(shortest, 31u);
  EXPECT_EQ(longest, 169u);
  EXPECT_EQ(longest, LongestEntry);
}

TEST(ChartTable, PerformerAndTitle) {
  int regular = 0, irregular_with_double_space = 0, empty_titles = 0, double_spaces = 0;
  for (std::string_view e : Entries()) {
    auto f = Fields(e);
    ASSERT_FALSE(f[0].empty()) << e;
    bool one_space = f[0].back() == ' ' && (f[0].size() < 2 || f[0][f[0].size() - 2] != ' ');
    regular += one_space;
    if (f[0].back() != ' ') irregular_with_double_space += f[1].find("  ") != std::string_view::npos;
    empty_titles += f[1].empty();
    double_spaces += e.find("  ") != std::string_view::npos;
  }
  EXPECT_EQ(regular, 10951);
  EXPECT_EQ(irregular_with_double_space, EntryCount - 10951);
  EXPECT_EQ(empty_titles, 4);
  EXPECT_EQ(double_spaces, 561);
}

TEST(ChartTable, RareCharacters) {
  EXPECT_EQ(IndicesHolding("-"), std::vector<int>{175});
  EXPECT_EQ(IndicesHolding(";"), (std::vector<int>{543, 10795}));
  EXPECT_EQ(IndicesHolding("(x124)"), std::vector<int>{4});
  EXPECT_EQ(IndicesHolding("|44323|"), std::vector<int>{11083});
  EXPECT_EQ(IndicesHolding("|46547|").front(), 11081);

  int high = 0, valid = 0;
  for (std::string_view e : Entries()) {
    if (std::none_of(e.begin(), e.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) continue;
    ++high;
    valid += IsValidUtf8(e);
  }
  EXPECT_EQ(high, 413);
  EXPECT_EQ(valid, 226);
  EXPECT_EQ(high - valid, 187);
}

struct Figures {
  std::int64_t listings, top_ten, position, times, single, total;
};

TEST(ChartTable, Figures) {
  const std::regex decimal("0|[1-9][0-9]*");
  const std::regex times("0|\\(x[1-9][0-9]*\\)");
  std::vector<Figures> all;
  for (std::string_view e : Entries()) {
    auto f = Fields(e);
    for (int k : {2, 3, 4, 6, 7}) ASSERT_TRUE(std::regex_match(std::string(f[k]), decimal)) << e;
    ASSERT_TRUE(std::regex_match(std::string(f[5]), times)) << e;
    auto number = [](std::string_view s) { return std::stoll(std::string(s)); };
    all.push_back({number(f[2]), number(f[3]), number(f[4]),
                   f[5] == "0" ? 0 : number(f[5].substr(2, f[5].size() - 3)), number(f[6]), number(f[7])});
  }
  auto range = [&](std::int64_t Figures::*field, std::int64_t low, std::int64_t high) {
    auto [min, max] = std::minmax_element(all.begin(), all.end(),
                                          [&](const Figures& a, const Figures& b) { return a.*field < b.*field; });
    EXPECT_EQ((*min).*field, low);
    EXPECT_EQ((*max).*field, high);
  };
  range(&Figures::listings, 1, 2547);
  range(&Figures::top_ten, 0, 302);
  range(&Figures::position, 1, 200);
  range(&Figures::single, 44323, 7786096);
  range(&Figures::total, 44323, 883369738);

  int bracketed = 0, equal_pairs = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Figures& f = all[i];
    SCOPED_TRACE(i);
    EXPECT_LE(f.top_ten, f.listings);
    EXPECT_EQ(f.top_ten != 0, f.position <= 10);
    if (f.times) {
      ++bracketed;
      EXPECT_LE(f.position, 10);
      EXPECT_LE(f.times, std::min<std::int64_t>(f.top_ten, 124));
    }
    EXPECT_LE(f.single, f.total);
    if (f.listings == 1) {
      EXPECT_EQ(f.single, f.total);
    }
    EXPECT_LE(f.total, f.listings * f.single);  // a total is at most listings x best single
    EXPECT_EQ(f.listings == 2547, i == 3);
    EXPECT_EQ(f.top_ten == 302, i == 0);
    if (i + 1 < all.size()) {
      EXPECT_GE(f.total, all[i + 1].total);
      equal_pairs += f.total == all[i + 1].total;
      if (i + 2 < all.size()) {
        EXPECT_FALSE(f.total == all[i + 1].total && f.total == all[i + 2].total);
      }
    }
  }
  EXPECT_EQ(bracketed, 486);
  EXPECT_EQ(equal_pairs, 24);
}

TEST(ChartTable, TellingRows) {
  const struct {
    int index;
    std::string_view ending;
  } rows[] = {
      {0, "|1506|302|1|(x29)|2118242|883369738"}, {3, "|2547|6|7|0|659366|734857487"},
      {4, "|1223|186|1|(x124)|2905678|718865961"}, {11081, "|1|0|167|0|46547|46547"},
      {11082, "|1|0|200|0|44962|44962"},           {11083, "|1|0|184|0|44323|44323"},
  };
  for (const auto& row : rows) {
    std::string_view e = EntryText(row.index);
    ASSERT_GE(e.size(), row.ending.size());
    EXPECT_EQ(e.substr(e.size() - row.ending.size()), row.ending) << row.index;
    // The ending starts right after the title: the rest is performer and title.
    EXPECT_EQ(Fields(e).size(), 8u);
  }
}

}  // namespace
}  // namespace tuneledger
