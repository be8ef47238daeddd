// What the WebAssembly module adds to the library's three calls: a place for JavaScript to put
// the caller's text. JavaScript can't hand over a pointer to its own strings, and a call must not
// take heap, so tuneledger.mjs writes each text here and passes its address.
#include <cstddef>

namespace {

// Every call decides on at most 3000 characters of its text, at most 6000 UTF-16 units, plus the
// unit after them: a longer text can be cut to what fits here without changing any answer.
constexpr std::size_t InputUnits = 8192;
char16_t Input[InputUnits];

}  // namespace

extern "C" {

__attribute__((export_name("TuneLedgerInput"))) char16_t* TuneLedgerInput() { return Input; }

__attribute__((export_name("TuneLedgerInputUnits"))) std::size_t TuneLedgerInputUnits() { return InputUnits; }

}  // extern "C"
