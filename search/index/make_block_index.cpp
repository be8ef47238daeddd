// Writes the rows of the chart table's block index (block_index_rows.cpp, beside this file) to
// standard output, from the table's text file; see index.cmake for how it is run and checked.
//
//   make_block_index data/chart.txt
//
// It reads the text file rather than the embedded table, so the table and its index can be made
// again one after the other in one step.
// For every block of searchable entries it sets the block's bit in the row of every folded byte,
// pair and triple the block's entries hold, exactly as the searches look them up, and it lists
// every pair and triple that occurs at all; and for each byte that many entries hold but not
// all, the row of the entries that hold it.
#include <algorithm>
#include <cinttypes>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "data/chart_table.h"
#include "search/index/block_index.h"
#include "search/matching.h"

namespace {

using tuneledger::BlockCount;
using tuneledger::MaskWords;

std::uint64_t bytes[256][MaskWords];
std::uint32_t byte_counts[256];
std::uint64_t pairs[tuneledger::PairRows][MaskWords];
std::uint64_t triples[tuneledger::TripleRows][MaskWords];
std::uint64_t pairs_present[65536 / 64];
std::set<std::uint32_t> triples_present;  // ordered, so the set's slots come out the same every time
std::map<std::uint32_t, std::vector<int>> triple_entries;  // the entries holding each triple, in order
std::uint32_t triple_slots[tuneledger::TripleSlots];
std::uint64_t quad_sieve[tuneledger::QuadWords];
std::uint64_t entries_holding[256][tuneledger::EntryWords];
std::uint32_t entry_counts[256];

void Set(std::uint64_t (&row)[MaskWords], int block) { row[block / 64] |= std::uint64_t{1} << (block % 64); }

void AddEntry(std::string folded, int entry) {
  const int block = entry / tuneledger::BlockSize;
  for (char& c : folded) c = tuneledger::FoldByte(c);
  const char* text = folded.data();
  for (std::size_t i = 0; i < folded.size(); ++i) {
    std::uint64_t& word = entries_holding[static_cast<unsigned char>(text[i])][entry / 64];
    const std::uint64_t bit = std::uint64_t{1} << (entry % 64);
    if ((word & bit) == 0) ++entry_counts[static_cast<unsigned char>(text[i])];
    word |= bit;
    Set(bytes[static_cast<unsigned char>(text[i])], block);
    ++byte_counts[static_cast<unsigned char>(text[i])];
    if (i + 2 <= folded.size()) {
      Set(pairs[tuneledger::PairRow(text + i)], block);
      std::uint32_t key = tuneledger::PairKey(text + i);
      pairs_present[key / 64] |= std::uint64_t{1} << (key % 64);
    }
    if (i + 3 <= folded.size()) {
      triples_present.insert(tuneledger::TripleKey(text + i));
      std::vector<int>& holding = triple_entries[tuneledger::TripleKey(text + i)];
      if (holding.empty() || holding.back() != entry) holding.push_back(entry);
    }
    if (i + 4 <= folded.size()) {
      std::uint64_t hash = tuneledger::QuadHash(text + i);
      quad_sieve[tuneledger::QuadWord(hash)] |= tuneledger::QuadBits(hash);
    }
  }
}

void PrintRows(const char* name, const std::uint64_t (*rows)[MaskWords], std::size_t count) {
  std::printf("extern const BlockRow %s[%zu] = {\n", name, count);
  for (std::size_t r = 0; r < count; ++r) {
    std::printf("    {");
    for (int w = 0; w < MaskWords; ++w) std::printf("%s0x%016" PRIx64, w ? ", " : "", rows[r][w]);
    std::printf("},\n");
  }
  std::printf("};\n\n");
}

// Lays the triples out as the library looks them up: each in its slot or the first free one after.
bool FillTripleSlots() {
  if (triples_present.size() * 4 > tuneledger::TripleSlots * 3) return false;  // too full to probe fast
  for (std::uint32_t key : triples_present) {
    std::uint32_t slot = tuneledger::TripleSlot(key);
    while (triple_slots[slot] != 0) slot = (slot + 1) & (tuneledger::TripleSlots - 1);
    triple_slots[slot] = key;
  }
  return true;
}

void PrintWords(const char* name, const std::uint64_t* words, std::size_t count) {
  std::printf("extern const std::uint64_t %s[%zu] = {", name, count);
  for (std::size_t i = 0; i < count; ++i) std::printf("%s0x%016" PRIx64, i == 0 ? "\n    " : i % 4 ? ", " : ",\n    ", words[i]);
  std::printf("\n};\n\n");
}

int Ones(const std::uint64_t* words) {
  int count = 0;
  for (int w = 0; w < MaskWords; ++w) count += __builtin_popcountll(words[w]);
  return count;
}

// Where each triple's blocks are found, through its slot: a triple few entries hold has the list
// of those entries; every other triple a row of TripleBlocks. Rows are shared, since there are
// more triples than rows, and a triple goes to the row where sharing lets through the fewest
// blocks that hold neither triple: so triples in nearly every block share rows with each other,
// and a triple in a few hundred blocks keeps a row to itself, or one with a triple alike.
void PrintTripleSlots() {
  std::vector<unsigned> where(tuneledger::TripleSlots, 0);
  std::vector<int> lists;
  struct Unlisted {
    std::size_t slot;
    std::vector<std::uint64_t> blocks;
    int count;
  };
  std::vector<Unlisted> unlisted;
  for (std::size_t slot = 0; slot < tuneledger::TripleSlots; ++slot) {
    if (triple_slots[slot] == 0) continue;
    const std::vector<int>& holding = triple_entries[triple_slots[slot]];
    if (holding.size() <= static_cast<std::size_t>(tuneledger::FewEntries)) {
      where[slot] = tuneledger::ListedTriple | static_cast<unsigned>(lists.size());
      lists.push_back(static_cast<int>(holding.size()));
      lists.insert(lists.end(), holding.begin(), holding.end());
      continue;
    }
    Unlisted triple{slot, std::vector<std::uint64_t>(MaskWords, 0), 0};
    for (int entry : holding) triple.blocks[entry / tuneledger::BlockSize / 64] |= std::uint64_t{1} << (entry / tuneledger::BlockSize % 64);
    triple.count = Ones(triple.blocks.data());
    unlisted.push_back(std::move(triple));
  }
  // Most blocks first; ties by slot, so that the rows come out the same every time.
  std::stable_sort(unlisted.begin(), unlisted.end(), [](const Unlisted& a, const Unlisted& b) { return a.count > b.count; });
  std::vector<int> sharing(tuneledger::TripleRows, 0);
  for (const Unlisted& triple : unlisted) {
    // The blocks let through in error that sharing row r adds: the row's blocks the triple is not
    // in, for the triple, and the triple's the row has not, for each triple already there.
    long best_cost = -1;
    std::size_t best = 0;
    for (std::size_t r = 0; r < tuneledger::TripleRows; ++r) {
      long cost = 0;
      for (int w = 0; w < MaskWords; ++w) {
        cost += __builtin_popcountll(triples[r][w] & ~triple.blocks[static_cast<std::size_t>(w)]);
        cost += static_cast<long>(sharing[r]) * __builtin_popcountll(triple.blocks[static_cast<std::size_t>(w)] & ~triples[r][w]);
      }
      if (best_cost < 0 || cost < best_cost) {
        best_cost = cost;
        best = r;
      }
      if (cost == 0) break;
    }
    for (int w = 0; w < MaskWords; ++w) triples[best][w] |= triple.blocks[static_cast<std::size_t>(w)];
    ++sharing[best];
    where[triple.slot] = static_cast<unsigned>(best);
  }
  if (lists.size() > tuneledger::ListedTriple) {
    std::fprintf(stderr, "make_block_index: the triple lists outgrow their offsets\n");
    std::exit(1);
  }
  std::printf("extern const std::uint16_t TripleBlocksAt[%zu] = {", tuneledger::TripleSlots);
  for (std::size_t s = 0; s < where.size(); ++s) std::printf("%s%u", s == 0 ? "\n    " : s % 16 ? ", " : ",\n    ", where[s]);
  std::printf("\n};\n\n");
  std::printf("extern const std::uint16_t TripleLists[%zu] = {", lists.size());
  for (std::size_t i = 0; i < lists.size(); ++i) std::printf("%s%d", i == 0 ? "\n    " : i % 16 ? ", " : ",\n    ", lists[i]);
  std::printf("\n};\n\n");
}

// The entry rows: one for every byte that at least EntryRowThreshold entries hold but not all.
void PrintEntryRows() {
  std::uint8_t row_of[256];
  std::vector<int> with_rows;
  for (int b = 0; b < 256; ++b) {
    if (entry_counts[b] == static_cast<std::uint32_t>(tuneledger::LastEntryIndex + 1)) {
      row_of[b] = tuneledger::InEveryEntry;
    } else if (entry_counts[b] >= tuneledger::EntryRowThreshold) {
      row_of[b] = static_cast<std::uint8_t>(with_rows.size());
      with_rows.push_back(b);
    } else {
      row_of[b] = tuneledger::NoEntryRow;
    }
  }
  std::printf("static_assert(EntryWords == %d && EntryRowThreshold == %" PRIu32 ");\n\n", tuneledger::EntryWords,
              tuneledger::EntryRowThreshold);
  std::printf("extern const std::uint8_t EntryRowOfByte[256] = {");
  for (int b = 0; b < 256; ++b) std::printf("%s%u", b == 0 ? "\n    " : b % 16 ? ", " : ",\n    ", row_of[b]);
  std::printf("\n};\n\n");
  std::printf("extern const EntryRow EntryRows[%zu] = {\n", with_rows.size());
  for (int b : with_rows) {
    std::printf("    {  // 0x%02x, %" PRIu32 " entries", b, entry_counts[b]);
    for (int w = 0; w < tuneledger::EntryWords; ++w) {
      std::printf("%s0x%016" PRIx64 ",", w % 4 ? " " : "\n     ", entries_holding[b][w]);
    }
    std::printf("\n    },\n");
  }
  std::printf("};\n\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> entries;
  std::ifstream table(argc == 2 ? argv[1] : "", std::ios::binary);
  for (std::string line; std::getline(table, line);) entries.push_back(line);
  if (entries.size() != static_cast<std::size_t>(tuneledger::EntryCount)) {
    std::fprintf(stderr, "usage: make_block_index CHART_TXT (a table of %d lines)\n", tuneledger::EntryCount);
    return 2;
  }
  for (int block = 0; block < BlockCount; ++block) {
    for (int i = tuneledger::FirstEntryOfBlock(block); i < tuneledger::EndEntryOfBlock(block); ++i) {
      AddEntry(entries[static_cast<std::size_t>(i)], i);
    }
  }
  if (std::count_if(entry_counts, entry_counts + 256, [](std::uint32_t count) {
        return count >= tuneledger::EntryRowThreshold && count <= static_cast<std::uint32_t>(tuneledger::LastEntryIndex);
      }) > tuneledger::MostEntryRows) {
    std::fprintf(stderr, "make_block_index: more than %d bytes need entry rows\n", tuneledger::MostEntryRows);
    return 1;
  }
  if (!FillTripleSlots()) {
    std::fprintf(stderr, "make_block_index: %zu triples are too many for %zu slots\n", triples_present.size(),
                 tuneledger::TripleSlots);
    return 1;
  }
  std::printf(
      "// Code generated by search/index/make_block_index.cpp from data/chart.txt. DO NOT EDIT.\n"
      "// To make it again: cmake --build --preset release --target regenerate-data\n"
      "#include \"search/index/block_index.h\"\n\n"
      "namespace tuneledger {\n\n"
      "static_assert(BlockCount == %d && MaskWords == %d && TripleRows == %zu && PairRows == %zu &&\n"
      "              TripleSlots == %zu && QuadWords == %zu && QuadProbes == %d && EntryCount == %d,\n"
      "              \"the chart table or the index layout changed: rebuild this file\");\n\n",
      BlockCount, MaskWords, tuneledger::TripleRows, tuneledger::PairRows, tuneledger::TripleSlots,
      tuneledger::QuadWords, tuneledger::QuadProbes, tuneledger::EntryCount);
  std::printf("extern const std::uint32_t FoldedByteCounts[256] = {");
  for (int b = 0; b < 256; ++b) std::printf("%s%" PRIu32, b == 0 ? "\n    " : b % 16 ? ", " : ",\n    ", byte_counts[b]);
  std::printf("\n};\n\n");
  std::printf("extern const std::uint32_t QuickTestCounts[256] = {");
  for (unsigned b = 0; b < 256; ++b) {
    std::uint32_t count = byte_counts[b | 0x20u] + byte_counts[(b | 0x20u) ^ 0x20u];
    std::printf("%s%" PRIu32, b == 0 ? "\n    " : b % 16 ? ", " : ",\n    ", count);
  }
  std::printf("\n};\n\n");
  PrintWords("PairsPresent", pairs_present, 65536 / 64);
  std::printf("extern const std::uint32_t TriplesPresent[%zu] = {", tuneledger::TripleSlots);
  for (std::size_t s = 0; s < tuneledger::TripleSlots; ++s) {
    std::printf("%s0x%06" PRIx32, s == 0 ? "\n    " : s % 8 ? ", " : ",\n    ", triple_slots[s]);
  }
  std::printf("\n};\n\n");
  PrintWords("QuadSieve", quad_sieve, tuneledger::QuadWords);
  PrintTripleSlots();
  PrintEntryRows();
  PrintRows("ByteBlocks", bytes, 256);
  PrintRows("PairBlocks", pairs, tuneledger::PairRows);
  PrintRows("TripleBlocks", triples, tuneledger::TripleRows);
  std::printf("}  // namespace tuneledger\n");
  return 0;
}
