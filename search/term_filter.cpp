// A filter walks only the blocks that may hold every term, looks there for its longest term
// (the one least likely to occur by chance) and checks the other terms in each entry that
// holds it.
#include <algorithm>
#include <cstring>

#include "block_index.h"
#include "chart_table.h"
#include "matching.h"
#include "operations.h"

namespace tuneledger {
namespace {

// Calls visit(term) for each term of `closed` (terms each closed by ';') while it returns true;
// returns whether it did so for every term.
template <typename Visit>
bool EachTerm(std::string_view closed, Visit visit) {
  for (std::string_view rest = closed; !rest.empty();) {
    std::size_t end = rest.find(';');
    if (!visit(rest.substr(0, end))) return false;
    rest.remove_prefix(end + 1);
  }
  return true;
}

// The terms of a folded filter: every piece closed by ';'. What follows the last ';' is no term.
// Empty terms are held by every entry, so they are dropped: the filter's field is compacted in
// place to its non-empty terms, each still closed by ';', and a filter of thousands of ';' costs
// nothing per entry. The longest term, the anchor, is then moved to the front, so the others
// follow it as one run.
class Terms {
 public:
  Terms(char* filter, std::size_t length) {
    std::size_t kept = 0, piece = 0, longest_at = 0, longest = 0;
    for (std::size_t i = 0; i < length; ++i) {
      if (filter[i] != ';') {
        ++piece;
      } else if (piece > 0) {
        std::memmove(filter + kept, filter + i - piece, piece + 1);
        if (piece > longest) {
          longest = piece;
          longest_at = kept;
        }
        kept += piece + 1;
        piece = 0;
      }
    }
    std::rotate(filter, filter + longest_at, filter + longest_at + longest + (longest > 0 ? 1 : 0));
    anchor_ = std::string_view(filter, longest);
    others_ = std::string_view(filter, kept).substr(longest > 0 ? longest + 1 : 0);
  }

  // Empty when the filter has no terms (or only empty ones): every entry passes.
  std::string_view Anchor() const { return anchor_; }

  template <typename Visit>
  bool All(Visit visit) const {
    return (anchor_.empty() || visit(anchor_)) && EachTerm(others_, visit);
  }

  // Whether `entry` holds every term but the anchor; stops at the first it lacks.
  bool OthersHeldBy(int entry) const {
    return EachTerm(others_, [entry](std::string_view term) { return ContainsFolded(entry, term); });
  }

 private:
  std::string_view anchor_;
  std::string_view others_;
};

int FirstEntryPassing(const Terms& terms, int start) {
  if (start > LastEntryIndex) return NoEntry;
  std::string_view anchor = terms.Anchor();
  if (anchor.empty()) return start;
  if (anchor.size() > LongestEntry) return NoEntry;
  BlockMask blocks(start);
  terms.All([&blocks](std::string_view term) {
    blocks.KeepBlocksHolding(term.data(), term.size());
    return !blocks.Empty();
  });
  Needle needle = MakeNeedle(anchor.data(), anchor.size());
  FindFoldedFunction find = ActiveFindFolded();
  for (int block = blocks.NextBlock(0); block < BlockCount; block = blocks.NextBlock(block + 1)) {
    int end = EndEntryOfBlock(block);
    for (int first = std::max(start, FirstEntryOfBlock(block)); first < end;) {
      const char* at = find(EntryStart(first), EntryStart(end), needle);
      if (at == nullptr) break;
      int entry = EntryAt(at, first, end);
      if (terms.OthersHeldBy(entry)) return entry;
      first = entry + 1;
    }
  }
  return NoEntry;
}

}  // namespace

int TermFilter(char* filter, std::size_t length, std::int32_t start) {
  FoldCase(filter, length);
  return FirstEntryPassing(Terms(filter, length), FirstSearched(start));
}

}  // namespace tuneledger
