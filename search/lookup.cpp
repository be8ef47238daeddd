#include "chart_table.h"
#include "operations.h"

namespace tuneledger {

int Lookup(std::int32_t index) { return index < 0 || index > LastEntryIndex ? NoEntry : index; }

}  // namespace tuneledger
