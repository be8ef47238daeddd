#include "matching.h"

#include "chart_table.h"
#include "folded_find.h"

namespace tuneledger {

void FoldCase(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) text[i] = FoldByte(text[i]);
}

bool ContainsFolded(int index, std::string_view folded_needle) {
  if (folded_needle.empty()) return true;
  std::string_view entry = EntryText(index);
  Needle needle = MakeNeedle(folded_needle.data(), folded_needle.size());
  return FindFolded(entry.data(), entry.data() + entry.size(), needle) != nullptr;
}

}  // namespace tuneledger
