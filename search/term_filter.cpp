#include "chart_table.h"
#include "matching.h"
#include "operations.h"
#include "result_text.h"

namespace tuneledger {
namespace {

// The terms of a folded filter: every piece closed by ';'. What follows the last ';' is no term.
class Terms {
 public:
  explicit Terms(std::string_view filter) : closed_(filter.substr(0, filter.rfind(';') + 1)) {}

  bool Empty() const { return closed_.empty(); }

  bool AllIn(const FoldedEntry& entry) const {
    for (std::string_view rest = closed_; !rest.empty();) {
      std::size_t end = rest.find(';');
      if (!entry.Contains(rest.substr(0, end))) return false;
      rest.remove_prefix(end + 1);
    }
    return true;
  }

 private:
  std::string_view closed_;
};

}  // namespace

const char16_t* FilterEntries(FieldText filter, std::int32_t start) {
  char16_t* result = ResultText(Operation::Filter);
  if (filter.fits) {
    FoldCase(filter.bytes, filter.length);
    Terms terms(std::string_view(filter.bytes, filter.length));
    for (int i = FirstSearched(start); i <= LastEntryIndex; ++i) {
      if (terms.Empty() || terms.AllIn(FoldedEntry(i))) return ComposeHit(result, i);
    }
  }
  return ComposeMessage(result, NotFoundText);
}

}  // namespace tuneledger
