#include "literal_search.h"

#include <algorithm>
#include <cstring>

#include "chart_table.h"
#include "query_classes.h"

namespace tuneledger_bench {
namespace {

char FoldAsciiLetter(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Folded(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), FoldAsciiLetter);
  return folded;
}

// Entry `index`, copied into `buffer` and folded there.
std::string_view CopyFolded(int index, char* buffer) {
  const std::string_view entry = tuneledger::EntryText(index);
  std::memcpy(buffer, entry.data(), entry.size());
  std::transform(buffer, buffer + entry.size(), buffer, FoldAsciiLetter);
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
  return NotFound;
}

// The characters of bytes 0x80 to 0x9F in Windows-1252.
constexpr char16_t HighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

}  // namespace

std::vector<std::string> SplitTerms(std::string_view filter) {
  std::vector<std::string> terms;
  for (std::size_t end = filter.find(';'); end != std::string_view::npos; end = filter.find(';')) {
    terms.emplace_back(filter.substr(0, end));
    filter.remove_prefix(end + 1);
  }
  return terms;
}

int LiteralFindText(std::string_view text, int start) {
  return LiteralFirstHoldingAll({Folded(text)}, start);
}

int LiteralFilter(std::string_view filter, int start) {
  std::vector<std::string> terms = SplitTerms(filter);
  for (std::string& term : terms) term = Folded(term);
  return LiteralFirstHoldingAll(terms, start);
}

std::u16string_view LiteralPick(int index, char16_t* out) {
  const std::string_view entry = tuneledger::EntryText(index);
  for (std::size_t i = 0; i < entry.size(); ++i) out[i] = WideFromByte(static_cast<unsigned char>(entry[i]));
  out[entry.size()] = u'\0';
  return {out, entry.size()};
}

char16_t WideFromByte(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? HighControls[byte - 0x80] : char16_t{byte};
}

}  // namespace tuneledger_bench
