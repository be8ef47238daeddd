#include "bench/literal_search.h"

#include <algorithm>
#include <cstring>

#include "bench/query_classes.h"
#include "data/chart_table.h"
#include "tests/kit/text.h"

namespace tuneledger_bench {
namespace {

// Entry `index`, copied into `buffer` and folded there.
std::string_view CopyFolded(int index, char* buffer) {
  const std::string_view entry = tuneledger::EntryText(index);
  std::memcpy(buffer, entry.data(), entry.size());
  std::transform(buffer, buffer + entry.size(), buffer, kit::FoldLetter);
  return {buffer, entry.size()};
}

bool HoldsEveryTerm(std::string_view entry, const std::vector<std::string>& terms) {
  return std::all_of(terms.begin(), terms.end(),
                     [entry](const std::string& term) { return entry.find(term) != std::string_view::npos; });
}

int LiteralFirstHoldingAll(const std::vector<std::string>& folded_terms, int start) {
  char buffer[tuneledger::LongestEntry + 1];
  for (int i = std::max(start, 0); i <= tuneledger::LastEntryIndex; ++i) {
    if (HoldsEveryTerm(CopyFolded(i, buffer), folded_terms)) return i;
  }
  return NoEntry;
}

}  // namespace

int LiteralFindText(std::string_view text, int start) {
  return LiteralFirstHoldingAll({kit::Folded(text)}, start);
}

int LiteralFilter(std::string_view filter, int start) {
  std::vector<std::string> terms = kit::SplitTerms(filter);
  for (std::string& term : terms) term = kit::Folded(term);
  return LiteralFirstHoldingAll(terms, start);
}

std::u16string_view LiteralLookup(int index, char16_t* out) {
  const std::string_view entry = tuneledger::EntryText(index);
  for (std::size_t i = 0; i < entry.size(); ++i) out[i] = kit::CharOfByte(static_cast<unsigned char>(entry[i]));
  out[entry.size()] = u'\0';
  return {out, entry.size()};
}

}  // namespace tuneledger_bench
