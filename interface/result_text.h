// The result text every operation answers with, and the texts it can hold.
#ifndef TUNELEDGER_INTERFACE_RESULT_TEXT_H
#define TUNELEDGER_INTERFACE_RESULT_TEXT_H

#include "capacities.h"

namespace tuneledger {

inline constexpr char16_t OutOfRangeText[] = u"Out of range";
inline constexpr char16_t NotFoundText[] = u"NOT FOUND!";
// Stands between the index and the entry text of a search hit.
inline constexpr char IndexSeparator[] = "-";

// Each operation fills its own result text, so a call leaves the answers of the other two
// operations alone.
enum class Operation { Lookup, Text, Filter };

// The calling thread's result text for `operation`: ResultCapacity units that stay valid until
// the same thread calls the same operation again. A build with TUNELEDGER_GUARD_RESULTS
// defined guards both ends of every result text and aborts as soon as a guard is found written.
char16_t* ResultText(Operation operation);

const char16_t* ComposeMessage(char16_t* result, const char16_t* message);
// The stored text of entry `index`, alone.
const char16_t* ComposeEntry(char16_t* result, int index);
// A search hit: the decimal index, IndexSeparator, and the entry's stored text.
const char16_t* ComposeHit(char16_t* result, int index);

}  // namespace tuneledger

#endif
