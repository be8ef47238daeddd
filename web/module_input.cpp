// What the WebAssembly module adds to the library's three calls: a place for JavaScript to put
// the caller's text. JavaScript can't hand over a pointer to its own strings, and a call must not
// take heap, so tuneledger.mjs writes each text here and passes its address.
#include <algorithm>
#include <cstddef>

#include "interface/capacities.h"

namespace {

constexpr std::size_t InputUnits = 8192;
char16_t Input[InputUnits];

// A call reads its text only until it knows whether the text fits its field: at most one
// character more than the field holds, each character at most two UTF-16 units. A longer text
// can be cut to what fits here, before its NUL, without changing any answer.
static_assert(2 * std::max(tuneledger::SearchCapacity, tuneledger::FilterCapacity) < InputUnits,
              "the input holds every unit a call reads");

}  // namespace

extern "C" {

__attribute__((export_name("TuneLedgerInput"))) char16_t* TuneLedgerInput() { return Input; }

__attribute__((export_name("TuneLedgerInputUnits"))) std::size_t TuneLedgerInputUnits() { return InputUnits; }

}  // extern "C"
