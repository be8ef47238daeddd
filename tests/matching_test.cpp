// Every variant of the folded search (portable, and the vector ones this processor runs) finds
// exactly what folding a copy and searching it finds, and the block index never misses a block.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#if defined(__arm__) && defined(__linux__)
#include <asm/hwcap.h>
#include <sys/auxv.h>
#endif

#include "data/chart_table.h"
#include "search/index/block_index.h"
#include "search/kernels/find_folded.h"
#include "search/scan.h"
#include "tests/kit/text.h"

namespace tuneledger {
namespace {

// Plain: fold a copy of the run and search it.
std::ptrdiff_t NaiveFind(const char* begin, const char* end, const std::string& needle) {
  std::size_t at = kit::Folded(std::string(begin, end)).find(needle);
  return at == std::string::npos ? -1 : static_cast<std::ptrdiff_t>(at);
}

std::ptrdiff_t VariantFind(FindFoldedFunction find, const char* begin, const char* end, const std::string& needle) {
  const char* at = find(begin, end, MakeNeedle(needle.data(), needle.size()));
  return at ? at - begin : -1;
}

std::vector<FindFoldedVariant> Variants() {
  std::size_t count = 0;
  const FindFoldedVariant* list = FindFoldedVariants(&count);
  return {list, list + count};
}

// The build has every variant its processor family has (SSE2 and AVX2 on x86, 32-bit and 64-bit,
// Windows too), and lists each one this processor runs, as the processor itself reports them
// here; the searches use the last, the fastest. The names go to the test's output: they are the
// variants every test that runs them all ran in this process.
TEST(FoldedFind, ListsEveryVariantThisProcessorRuns) {
  std::vector<std::string> expected = {"portable"};
#if defined(__i386__) || defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("sse2")) {
    expected.push_back("sse2");
    if (__builtin_cpu_supports("avx2")) expected.push_back("avx2");
  }
#elif defined(__arm__)
  expected.push_back("word32");
#if defined(__linux__)
  if (getauxval(AT_HWCAP) & HWCAP_NEON) expected.push_back("neon");
#endif
#endif
  std::vector<std::string> listed;
  std::string names;
  for (const FindFoldedVariant& variant : Variants()) {
    listed.push_back(variant.name);
    names += names.empty() ? variant.name : std::string(" ") + variant.name;
  }
  EXPECT_EQ(listed, expected);
  UseFindFolded(nullptr);
  EXPECT_EQ(ActiveFindFolded(), Variants().back().find);
  std::printf("variants this processor runs: %s\n", names.c_str());
  RecordProperty("variants", names);
}

TEST(FoldedFind, TrickyBytes) {
  // Runs padded like the table, so wide loads past their end stay inside the buffer.
  const struct {
    std::string text;
    std::string needle;  // folded
    std::ptrdiff_t at;
  } cases[] = {
      {"Hello World", "world", 6},
      {"HELLO", "hello", 0},
      {"ab", "abc", -1},
      {"@[`{", "@[`{", 0},             // neighbours of the letters are not folded
      {"@[`{", "`", 2},
      {"\xC1\xE1", "\xE1", 1},         // 0xC1 is no capital: it stays 0xC1
      {"\xC1", "\xE1", -1},
      {"x\xC9y", "\xC9", 1},
      {std::string("a\0b", 3), " ", -1},  // a NUL is no space
      {std::string("738\0Lars", 8), "lars", 4},
      {std::string("738\0Lars", 8), "738lars", -1},
      {std::string(40, 'a') + "Zz", "zz", 40},
      {std::string(100, 'A') + "B", "aab", 98},
      {"aaaa", "aaaa", 0},
      {"xyz", "z", 2},
      // A place the quick test keeps is compared eight bytes at once, then byte by byte.
      {"\\0|1", "|0|1", -1},           // '\\' is '|' with bit 0x20 cleared
      {"Abcdefgh IJK", "abcdefgh ijk", 0},
      {"Abcdefgh IJL", "abcdefgh ijk", -1},
      {"abcdefgh@", "abcdefgh`", -1},
      {"xbcdefghijk", "abcdefghijk", -1},
  };
  for (const FindFoldedVariant& variant : Variants()) {
    for (const auto& c : cases) {
      std::string padded = c.text + std::string(ReadPadding, '\0');
      const char* begin = padded.data();
      EXPECT_EQ(VariantFind(variant.find, begin, begin + c.text.size(), c.needle), c.at)
          << variant.name << " " << testing::PrintToString(c.text) << " " << testing::PrintToString(c.needle);
    }
  }
}

// A needle's first word is read at once only where its eight bytes lie in one page: a needle at
// the very end of a page is read byte by byte, with the same answers.
TEST(FoldedFind, NeedleEndingAPage) {
  alignas(4096) static char pages[2 * 4096];
  const std::string text = std::string("Q") + "x|Ab" + std::string(ReadPadding, '\0');
  for (const std::string needle : {"b", "ab", "|ab", "x|ab"}) {
    char* placed = pages + 4096 - needle.size();
    std::copy(needle.begin(), needle.end(), placed);
    const Needle made = MakeNeedle(placed, needle.size());
    for (const FindFoldedVariant& variant : Variants()) {
      const char* at = variant.find(text.data(), text.data() + 5, made);
      EXPECT_EQ(at == nullptr ? -1 : at - text.data(), 5 - static_cast<std::ptrdiff_t>(needle.size()))
          << variant.name << " " << needle;
    }
  }
}

TEST(FoldedFind, AgreesWithAFoldedCopyAcrossTheTable) {
  std::mt19937 random(12345);
  const char* table = EntryBytes;
  const std::size_t size = EntryOffsets[EntryCount];
  auto pick = [&](std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random); };
  for (int round = 0; round < 20000; ++round) {
    std::size_t begin = pick(size);
    std::size_t end = std::min(size, begin + pick(round % 10 == 0 ? 20000 : 300));
    // Needles: pieces of the table with their case shuffled, which often occur, and random
    // bytes around the letters' edges, which mostly don't.
    std::string needle;
    if (round % 3 != 0) {
      std::size_t from = pick(size);
      needle = std::string(table + from, std::min<std::size_t>(1 + pick(12), size - from));
      if (needle.find('\0') != std::string::npos) needle.resize(needle.find('\0'));
    } else {
      const char alphabet[] = "aAzZ@[`{ |\xC1\xE1\xC3\xA9?0";
      for (std::size_t n = 1 + pick(4); n > 0; --n) needle += alphabet[pick(sizeof alphabet - 1)];
    }
    if (needle.empty()) continue;
    needle = kit::Folded(needle);
    std::ptrdiff_t expected = NaiveFind(table + begin, table + end, needle);
    for (const FindFoldedVariant& variant : Variants()) {
      ASSERT_EQ(VariantFind(variant.find, table + begin, table + end, needle), expected)
          << variant.name << " [" << begin << ", " << end << ") " << testing::PrintToString(needle);
    }
  }
}

bool MayHold(int block, const BlockRow& row) { return (row[block / 64] >> (block % 64)) & 1; }

TEST(BlockIndex, NeverMissesABlockThatHoldsAText) {
  for (int i = 0; i <= LastEntryIndex; ++i) {
    std::string folded = kit::Folded(std::string(EntryText(i)));
    int block = i / BlockSize;
    for (std::size_t k = 0; k < folded.size(); ++k) {
      const char* at = folded.data() + k;
      ASSERT_TRUE(MayHold(block, ByteBlocks[static_cast<unsigned char>(*at)])) << i;
      if (k + 2 <= folded.size()) {
        ASSERT_TRUE(MayHold(block, PairBlocks[PairRow(at)])) << i;
        ASSERT_TRUE(EveryPieceOccurs(at, 2)) << i;
      }
      if (k + 3 <= folded.size()) {
        BlockMask mask(0);
        ASSERT_TRUE(mask.KeepBlocksHolding(at, 3)) << i;
        ASSERT_EQ(mask.NextBlock(block), block) << i;
        ASSERT_TRUE(EveryPieceOccurs(at, 3)) << i;
      }
      if (k + 4 <= folded.size()) {
        ASSERT_TRUE(EveryPieceOccurs(at, 4)) << i;
      }
    }
  }
}

// The sets of pieces that occur are exact: a piece no entry holds is said to occur nowhere.
TEST(BlockIndex, KnowsExactlyWhichPiecesOccur) {
  std::string table;
  for (int i = 0; i <= LastEntryIndex; ++i) table += kit::Folded(std::string(EntryText(i))) + '\0';
  const char alphabet[] = " |0e\\()xqz;?\xC3";
  const std::size_t letters = sizeof alphabet - 1;
  for (std::size_t a = 0; a < letters; ++a) {
    for (std::size_t b = 0; b < letters; ++b) {
      for (std::size_t length = 1; length <= 3; ++length) {
        for (std::size_t c = 0; c < (length == 3 ? letters : 1); ++c) {
          const std::string piece = std::string{alphabet[a], alphabet[b], alphabet[c]}.substr(0, length);
          EXPECT_EQ(EveryPieceOccurs(piece.data(), length), table.find(piece) != std::string::npos)
              << testing::PrintToString(piece);
        }
      }
    }
  }
  EXPECT_FALSE(EveryPieceOccurs("e0", 2));
  EXPECT_FALSE(EveryPieceOccurs("lnb", 3));
}

// Words with a letter changed: every triple occurs, some 4-byte piece doesn't, and the sieve of
// 4-byte pieces says so for nearly all of them (it lets about one in fifty through).
TEST(BlockIndex, SievesOutMostAbsentFourBytePieces) {
  std::string table;
  for (int i = 0; i <= LastEntryIndex; ++i) table += kit::Folded(std::string(EntryText(i))) + '\0';
  EXPECT_FALSE(EveryPieceOccurs("nilots", 6));
  EXPECT_FALSE(EveryPieceOccurs("vavage", 6));
  int absent = 0, sifted_out = 0;
  const char letters[] = "aeinorst";
  for (char a : std::string(letters)) {
    for (char b : std::string(letters)) {
      for (char c : std::string(letters)) {
        for (char d : std::string(letters)) {
          const char piece[] = {a, b, c, d};
          const bool triples_occur = EveryPieceOccurs(piece, 3) && EveryPieceOccurs(piece + 1, 3);
          if (!triples_occur || table.find(std::string(piece, 4)) != std::string::npos) continue;
          ++absent;
          sifted_out += !EveryPieceOccurs(piece, 4);
        }
      }
    }
  }
  ASSERT_GT(absent, 500);
  EXPECT_GT(sifted_out * 100, absent * 97) << sifted_out << " of " << absent;
}

// A byte's entry row holds exactly the entries that hold the byte, folded; a byte without a row
// is held by few entries, and one said to be in every entry is.
TEST(BlockIndex, EntryRowsSayExactlyWhichEntriesHoldAByte) {
  std::vector<std::string> folded;
  for (int i = 0; i <= LastEntryIndex; ++i) folded.push_back(kit::Folded(std::string(EntryText(i))));
  for (int b = 1; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    if (kit::Folded(std::string(1, byte))[0] != byte) continue;  // capitals are never looked up
    const unsigned row = EntryRowOfByte[b];
    int holding = 0;
    for (int i = 0; i <= LastEntryIndex; ++i) {
      const bool holds = folded[static_cast<std::size_t>(i)].find(byte) != std::string::npos;
      holding += holds;
      if (row < InEveryEntry) {
        ASSERT_EQ((EntryRows[row][i / 64] >> (i % 64)) & 1, holds ? 1u : 0u) << b << " " << i;
      }
    }
    EXPECT_EQ(row == InEveryEntry, holding == LastEntryIndex + 1) << b;
    EXPECT_EQ(row == NoEntryRow, holding < static_cast<int>(EntryRowThreshold)) << b;
  }
}

// A triple's list names exactly the entries that hold it; a triple without one is held by more.
TEST(BlockIndex, TripleListsNameExactlyTheEntriesHoldingTheTriple) {
  std::map<std::uint32_t, std::vector<int>> holding;
  for (int i = 0; i <= LastEntryIndex; ++i) {
    const std::string entry = kit::Folded(std::string(EntryText(i)));
    for (std::size_t k = 0; k + 3 <= entry.size(); ++k) {
      std::vector<int>& entries = holding[TripleKey(entry.data() + k)];
      if (entries.empty() || entries.back() != i) entries.push_back(i);
    }
  }
  std::size_t listed = 0;
  for (std::size_t slot = 0; slot < TripleSlots; ++slot) {
    if (TriplesPresent[slot] == 0) continue;
    const std::vector<int>& expected = holding.at(TriplesPresent[slot]);
    if ((TripleBlocksAt[slot] & ListedTriple) == 0) {
      EXPECT_GT(expected.size(), static_cast<std::size_t>(FewEntries)) << slot;
      EXPECT_LT(TripleBlocksAt[slot], TripleRows) << slot;
      continue;
    }
    const std::uint16_t* list = TripleLists + (TripleBlocksAt[slot] & ~ListedTriple);
    EXPECT_EQ(std::vector<int>(list + 1, list + 1 + list[0]), expected) << slot;
    ++listed;
  }
  EXPECT_GT(listed, 1000u);
  const std::uint16_t* shortest = nullptr;
  ASSERT_TRUE(EveryPieceOccurs("orsay", 5, &shortest));
  ASSERT_NE(shortest, nullptr);
  EXPECT_EQ(static_cast<std::size_t>(shortest[0]), std::min({holding.at(TripleKey("ors")).size(),
                                                              holding.at(TripleKey("rsa")).size(),
                                                              holding.at(TripleKey("say")).size()}));
  ASSERT_TRUE(EveryPieceOccurs("the", 3, &shortest));
  EXPECT_EQ(shortest, nullptr);
}

// The sieve's candidates are the entries that hold every byte with a row, from any start, and
// none past the last entry; a block mask's entries are those of the blocks it leaves.
TEST(BlockIndex, SievesAndMasksNameTheirEntries) {
  const std::string byte_sets[] = {"", " |", "0", "g0", "xq", "(&j", "\xC3?z", "\xA9"};
  const int starts[] = {0, 1, 63, 64, 5000, 11000, LastEntryIndex, LastEntryIndex + 1};
  for (const std::string& bytes : byte_sets) {
    EntrySieve sieve;
    for (char byte : bytes) sieve.Hold(byte);
    sieve.Seal();
    for (int start : starts) {
      int expected = -1;
      for (int i = start; i <= LastEntryIndex && expected < 0; ++i) {
        const std::string entry = kit::Folded(std::string(EntryText(i)));
        bool all = true;
        for (char byte : bytes) all = all && (!EntrySieve::Exact(byte) || entry.find(byte) != std::string::npos);
        if (all) expected = i;
      }
      EXPECT_EQ(sieve.First(start), expected) << testing::PrintToString(bytes) << " " << start;
    }
    EXPECT_EQ(sieve.Candidates(EntryWords - 1, 0) >> ((LastEntryIndex + 1) % 64), 0u);
  }
  BlockMask mask(100);
  ASSERT_TRUE(mask.KeepBlocksHolding("xq", 2));
  for (int word = 0; word < EntryWords; ++word) {
    for (int bit = 0; bit < 64; ++bit) {
      const int block = (word * 64 + bit) / BlockSize;
      ASSERT_EQ((mask.EntriesLeft(word) >> bit) & 1, block < BlockCount && mask.NextBlock(block) == block ? 1u : 0u) << word << " " << bit;
    }
  }
}

// A mask counts the blocks it leaves (with vectors where the processor has them), and keeping a
// text's blocks says whether any is left.
TEST(BlockIndex, MasksCountTheBlocksTheyLeave) {
  const int starts[] = {0, 63 * BlockSize, 64 * BlockSize + 5, 5000, LastEntryIndex};
  const std::string texts[] = {"e", "|0", "the", "love", "xq", "lnb"};
  for (int start : starts) {
    for (const std::string& text : texts) {
      BlockMask mask(start);
      const bool any = mask.KeepBlocksHolding(text.data(), text.size());
      int count = 0;
      for (int block = mask.NextBlock(0); block < BlockCount; block = mask.NextBlock(block + 1)) ++count;
      EXPECT_EQ(mask.Count(), count) << text << " " << start;
      EXPECT_EQ(any, count != 0) << text << " " << start;
      EXPECT_FALSE(mask.MoreThan(count)) << text << " " << start;
      if (count != 0) {
        EXPECT_TRUE(mask.MoreThan(count - 1)) << text << " " << start;
      }
    }
  }
}

TEST(BlockIndex, MasksStartAtTheBlockOfTheStart) {
  const int starts[] = {0, 63, 64, 65, 5000, LastEntryIndex};
  for (int start : starts) {
    BlockMask mask(start);
    EXPECT_EQ(mask.NextBlock(0), start / BlockSize) << start;
  }
  BlockMask last(LastEntryIndex);
  EXPECT_EQ(last.NextBlock(BlockCount - 1 + 1), BlockCount);
}

}  // namespace
}  // namespace tuneledger
