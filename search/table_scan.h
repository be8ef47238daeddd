// Positions in the chart table's bytes, for the searches that scan them.
#ifndef TUNELEDGER_SEARCH_TABLE_SCAN_H
#define TUNELEDGER_SEARCH_TABLE_SCAN_H

#include <algorithm>
#include <cstdint>

#include "chart_table.h"

namespace tuneledger {

inline const char* EntryStart(int index) { return EntryBytes + EntryOffsets[index]; }

// The entry in [first, end) whose text holds the byte at `at`.
inline int EntryAt(const char* at, int first, int end) {
  auto offset = static_cast<std::uint32_t>(at - EntryBytes);
  return static_cast<int>(std::upper_bound(EntryOffsets + first, EntryOffsets + end, offset) - EntryOffsets) - 1;
}

}  // namespace tuneledger

#endif
