// A filter walks only the blocks that may hold every term, looks there for its longest term
// (the one least likely to occur by chance) and checks the other terms in each entry that
// holds it.
#include <cstring>

#include "chart_table.h"
#include "folded_find.h"
#include "matching.h"
#include "ngram_index.h"
#include "operations.h"
#include "result_text.h"
#include "table_scan.h"

namespace tuneledger {
namespace {

// The terms of a folded filter: every piece closed by ';'. What follows the last ';' is no term.
// Empty terms are held by every entry, so they are dropped: the filter's field is compacted in
// place to its non-empty terms, each still closed by ';', and a filter of thousands of ';' costs
// nothing per entry.
class Terms {
 public:
  Terms(char* filter, std::size_t length) {
    std::size_t kept = 0, piece = 0;
    for (std::size_t i = 0; i < length; ++i) {
      if (filter[i] != ';') {
        ++piece;
      } else if (piece > 0) {
        std::memmove(filter + kept, filter + i - piece, piece + 1);
        kept += piece + 1;
        piece = 0;
      }
    }
    closed_ = std::string_view(filter, kept);
  }

  template <typename Visit>
  void ForEach(Visit visit) const {
    for (std::string_view rest = closed_; !rest.empty();) {
      std::size_t end = rest.find(';');
      visit(rest.substr(0, end));
      rest.remove_prefix(end + 1);
    }
  }

  std::string_view Longest() const {
    std::string_view longest;
    ForEach([&](std::string_view term) {
      if (term.size() > longest.size()) longest = term;
    });
    return longest;
  }

 private:
  std::string_view closed_;
};

bool HoldsAll(const Terms& terms, int entry, std::string_view skip) {
  bool all = true;
  terms.ForEach([&](std::string_view term) {
    all = all && (term.data() == skip.data() || ContainsFolded(entry, term));
  });
  return all;
}

int FirstEntryPassing(const Terms& terms, int start) {
  if (start > LastEntryIndex) return -1;
  std::string_view anchor = terms.Longest();
  if (anchor.empty()) return start;
  if (anchor.size() > LongestEntry) return -1;
  BlockMask blocks(start);
  terms.ForEach([&](std::string_view term) { blocks.KeepBlocksHolding(term.data(), term.size()); });
  Needle needle = MakeNeedle(anchor.data(), anchor.size());
  FindFoldedFunction find = ActiveFindFolded();
  for (int block = blocks.NextBlock(0); block < BlockCount; block = blocks.NextBlock(block + 1)) {
    int end = EndEntryOfBlock(block);
    for (int first = std::max(start, FirstEntryOfBlock(block)); first < end;) {
      const char* at = find(EntryStart(first), EntryStart(end), needle);
      if (at == nullptr) break;
      int entry = EntryAt(at, first, end);
      if (HoldsAll(terms, entry, anchor)) return entry;
      first = entry + 1;
    }
  }
  return -1;
}

}  // namespace

const char16_t* FilterEntries(FieldText filter, std::int32_t start) {
  char16_t* result = ResultText(Operation::Filter);
  if (filter.fits) {
    FoldCase(filter.bytes, filter.length);
    int hit = FirstEntryPassing(Terms(filter.bytes, filter.length), FirstSearched(start));
    if (hit >= 0) return ComposeHit(result, hit);
  }
  return ComposeMessage(result, NotFoundText);
}

}  // namespace tuneledger
