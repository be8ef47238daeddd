// The literal method, written as plainly as a first version would be: for each entry from the
// start on, copy it into a buffer, fold A-Z to a-z, and look for the (folded) text or for each
// term. It is the baseline the library's figures are held against.
#ifndef TUNELEDGER_BENCH_LITERAL_SEARCH_H
#define TUNELEDGER_BENCH_LITERAL_SEARCH_H

#include <string>
#include <string_view>
#include <vector>

namespace tuneledger_bench {

// The first entry at or after `start` holding `text`, or NoEntry.
int LiteralFindText(std::string_view text, int start);
// The first entry at or after `start` holding every term of `filter`, or NoEntry.
int LiteralFilter(std::string_view filter, int start);
// Entry `index` as UTF-16 in `out`, which has room for the longest entry and a terminator.
std::u16string_view LiteralLookup(int index, char16_t* out);

}  // namespace tuneledger_bench

#endif
