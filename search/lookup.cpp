#include "chart_table.h"
#include "operations.h"
#include "result_text.h"

namespace tuneledger {

const char16_t* LookupEntry(std::int32_t index) {
  char16_t* result = ResultText(Operation::Lookup);
  if (index < 0 || index > LastEntryIndex) return ComposeMessage(result, OutOfRangeText);
  return ComposeEntry(result, index);
}

}  // namespace tuneledger
