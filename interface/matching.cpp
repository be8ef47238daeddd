#include "matching.h"

#include <cstring>

#include "chart_table.h"

namespace tuneledger {

void FoldCase(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) text[i] = FoldByte(text[i]);
}

FoldedEntry::FoldedEntry(int index) {
  std::string_view stored = EntryText(index);
  std::memcpy(copy_, stored.data(), stored.size() + 1);
  FoldCase(copy_, stored.size());
  text_ = std::string_view(copy_, stored.size());
}

bool FoldedEntry::Contains(std::string_view folded_needle) const {
  return text_.find(folded_needle) != std::string_view::npos;
}

bool ContainsFolded(int index, std::string_view folded_needle) {
  return FoldedEntry(index).Contains(folded_needle);
}

}  // namespace tuneledger
