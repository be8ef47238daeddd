// The chart table as the library holds it: constant data built from data/chart.txt when the
// library is compiled (see embed_chart.cmake, and pipeline.cmake for every file made from the
// table).
//
// Layout: EntryBytes holds every entry's text, each followed by its NUL terminator, one after
// the other in table order, then ReadPadding zero bytes. EntryOffsets[i] is where entry i starts
// in EntryBytes, and EntryOffsets[EntryCount] is where the padding starts, so an entry's length
// needs no strlen.
// Both arrays are plain constants without pointers: the loader has nothing to relocate.
#ifndef TUNELEDGER_DATA_CHART_TABLE_H
#define TUNELEDGER_DATA_CHART_TABLE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tuneledger {

inline constexpr int EntryCount = 11084;
// The highest index any operation accepts. Entries 11082 and 11083 are stored but never given
// out or searched.
inline constexpr int LastEntryIndex = 11081;
// No entry is longer than this many bytes; every text field is sized from it.
inline constexpr std::size_t LongestEntry = 169;
// EntryBytes holds this many zero bytes after the last entry's terminator, so a search may read
// a whole vector past the end of any entry.
inline constexpr std::size_t ReadPadding = 64;

extern const char EntryBytes[];
extern const std::uint32_t EntryOffsets[EntryCount + 1];

// The stored text of entry i, for 0 <= i < EntryCount; callers check the index themselves.
inline std::string_view EntryText(int i) {
  return {EntryBytes + EntryOffsets[i], EntryOffsets[i + 1] - EntryOffsets[i] - 1};
}

// Where entry i starts in EntryBytes; EntryStart(EntryCount) is where the padding starts.
inline const char* EntryStart(int i) { return EntryBytes + EntryOffsets[i]; }

// The entry in [first, end) whose text holds the byte at `at`, a position in EntryBytes. It is
// mostly close to `first` (a search found it soon), so the steps from there double before the
// last stretch is halved.
inline int EntryAt(const char* at, int first, int end) {
  auto offset = static_cast<std::uint32_t>(at - EntryBytes);
  int low = first;  // EntryOffsets[low] <= offset
  int high = first + 1;
  for (int step = 1; high < end && EntryOffsets[high] <= offset; step *= 2) {
    low = high;
    high = std::min(end, low + step);
  }
  return static_cast<int>(std::upper_bound(EntryOffsets + low, EntryOffsets + high, offset) - EntryOffsets) - 1;
}

}  // namespace tuneledger

#endif
