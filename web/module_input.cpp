// What the WebAssembly module adds to the library's three calls: a place for JavaScript to put
// the caller's text. JavaScript can't hand over a pointer to its own strings, and a call must not
// take heap, so tuneledger.mjs writes each text here and passes its address.
#include <algorithm>
#include <cstddef>

#include "tuneledger.h"

namespace {

constexpr std::size_t InputUnits = 8192;
char16_t Input[InputUnits];

// A call reads its text only until it knows whether the text is longer than the longest it
// takes (TUNELEDGER_LONGEST_TEXT or TUNELEDGER_LONGEST_FILTER characters): at most one character
// more, each character at most two UTF-16 units. A longer text can be cut to what fits here,
// before its NUL, without changing any answer.
static_assert(2 * (std::max(TUNELEDGER_LONGEST_TEXT, TUNELEDGER_LONGEST_FILTER) + 1) < InputUnits,
              "the input holds every unit a call reads");

}  // namespace

extern "C" {

__attribute__((export_name("TuneLedgerInput"))) char16_t* TuneLedgerInput() { return Input; }

__attribute__((export_name("TuneLedgerInputUnits"))) std::size_t TuneLedgerInputUnits() { return InputUnits; }

}  // extern "C"
