// The literal method, written as plainly as a first version would be: for each entry from the
// start on, copy it into a buffer, fold A-Z to a-z, and look for the (folded) text or for each
// term. It is the baseline the library's figures are held against.
#ifndef TUNELEDGER_BENCH_LITERAL_SEARCH_H
#define TUNELEDGER_BENCH_LITERAL_SEARCH_H

#include <string>
#include <string_view>
#include <vector>

namespace tuneledger_bench {

// The pieces of `filter` closed by ';'; a piece after the last ';' is no term.
std::vector<std::string> SplitTerms(std::string_view filter);

// The first entry at or after `start` holding `text`, or NotFound.
int LiteralFindText(std::string_view text, int start);
// The first entry at or after `start` holding every term of `filter`, or NotFound.
int LiteralFilter(std::string_view filter, int start);
// Entry `index` as UTF-16 in `out`, which has room for the longest entry and a terminator.
std::u16string_view LiteralPick(int index, char16_t* out);

// The UTF-16 character of a byte of the table, as the library's code page (Windows-1252, with
// the five bytes it leaves undefined standing for themselves) has it.
char16_t WideFromByte(unsigned char byte);

}  // namespace tuneledger_bench

#endif
