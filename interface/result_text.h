// The result text every call answers with, and the texts it can hold.
#ifndef TUNELEDGER_INTERFACE_RESULT_TEXT_H
#define TUNELEDGER_INTERFACE_RESULT_TEXT_H

#include "interface/capacities.h"

namespace tuneledger {

inline constexpr char16_t OutOfRangeText[] = u"Out of range";
inline constexpr char16_t NotFoundText[] = u"NOT FOUND!";
// Stands between the index and the entry text of a search hit.
inline constexpr char IndexSeparator[] = "-";

// The three calls, named after the files that do their work: FoodPicker (search/lookup.cpp),
// FoodPickerText (search/text_search.cpp), FoodPickerFilter (search/term_filter.cpp).
enum class Operation { Lookup, TextSearch, TermFilter };
inline constexpr int OperationCount = 3;

// Writes the answer to a call of `operation` into the thread's result text for it and returns
// that text. `entry` is what the operation found, or NoEntry:
//   Lookup                    the entry's stored text, or OutOfRangeText;
//   TextSearch, TermFilter    a search hit (the decimal index, IndexSeparator, the entry's
//                             stored text), or NotFoundText.
// Null, writing nothing, if the thread's texts could not be had.
//
// Each answer goes into the calling thread's result text for `operation`: ResultCapacity units
// that stay valid until the same thread calls the same operation again, so a call leaves the
// answers of the other two alone, and no longer than the thread (thread_texts.h). A build with
// TUNELEDGER_GUARD_RESULTS defined guards both ends of every result text and aborts as soon as
// a guard is found written.
const char16_t* ComposeAnswer(Operation operation, int entry);

}  // namespace tuneledger

#endif
