#include "chart_table.h"
#include "matching.h"
#include "operations.h"
#include "result_text.h"

namespace tuneledger {

const char16_t* SearchText(FieldText text, std::int32_t start) {
  char16_t* result = ResultText(Operation::Text);
  if (text.fits) {
    FoldCase(text.bytes, text.length);
    std::string_view needle(text.bytes, text.length);
    for (int i = FirstSearched(start); i <= LastEntryIndex; ++i) {
      if (ContainsFolded(i, needle)) return ComposeHit(result, i);
    }
  }
  return ComposeMessage(result, NotFoundText);
}

}  // namespace tuneledger
