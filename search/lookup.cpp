#include "data/chart_table.h"
#include "search/operations.h"

namespace tuneledger {

int Lookup(std::int32_t index) { return index < 0 || index > LastEntryIndex ? NoEntry : index; }

}  // namespace tuneledger
