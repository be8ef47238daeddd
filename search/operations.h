// The three operations' own work on the chart table. Each finds the entry that answers a call;
// the exported frame (interface/exports.cpp) converts the caller's text before and composes the
// caller's answer after. Nothing here knows of UTF-16 or of result texts.
#ifndef TUNELEDGER_SEARCH_OPERATIONS_H
#define TUNELEDGER_SEARCH_OPERATIONS_H

#include <cstddef>
#include <cstdint>

namespace tuneledger {

// What an operation answers when no entry answers the call.
inline constexpr int NoEntry = -1;

// FoodPicker: `index` itself when it lies from 0 to LastEntryIndex, else NoEntry.
int Lookup(std::int32_t index);

// FoodPickerText: the first entry from `start` on that contains the `length` bytes of `text`,
// A to Z folded, or NoEntry. Folds `text` in place.
int TextSearch(char* text, std::size_t length, std::int32_t start);

// The longest filter, in bytes, that counts; a longer one finds nothing.
inline constexpr std::size_t LongestFilter = 2999;

// FoodPickerFilter: the first entry from `start` on that contains every ';'-closed term of the
// `length` bytes of `filter`, or NoEntry (always, when `length` exceeds LongestFilter). Folds and
// compacts `filter` in place.
int TermFilter(char* filter, std::size_t length, std::int32_t start);

// Where a search from `start` begins: entries below 0 don't exist, so a negative start is 0.
inline int FirstSearched(std::int32_t start) { return start < 0 ? 0 : start; }

}  // namespace tuneledger

#endif
