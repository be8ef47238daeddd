// The three operations on the chart table. The exported frame converts the caller's text into
// a per-call field and forwards here; each operation composes its answer in its result text
// and returns it.
#ifndef TUNELEDGER_SEARCH_OPERATIONS_H
#define TUNELEDGER_SEARCH_OPERATIONS_H

#include <cstdint>

#include "code_page.h"

namespace tuneledger {

// FoodPicker: entry `index` as stored, or "Out of range" outside 0 to LastEntryIndex.
const char16_t* LookupEntry(std::int32_t index);

// FoodPickerText: the first entry from `start` on that contains `text`, A to Z folded. Folds
// the field in place. A text that did not fit its field occurs in no entry.
const char16_t* SearchText(FieldText text, std::int32_t start);

// FoodPickerFilter: the first entry from `start` on that contains every ';'-closed term of
// `filter`. Folds the field in place. A filter that did not fit its field finds nothing.
const char16_t* FilterEntries(FieldText filter, std::int32_t start);

// Where a search from `start` begins: entries below 0 don't exist, so a negative start is 0.
inline int FirstSearched(std::int32_t start) { return start < 0 ? 0 : start; }

}  // namespace tuneledger

#endif
