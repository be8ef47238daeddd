// Fuzzes FoodPickerFilter against the reference model.
//
// Invariants, for any filter (or null) and any start:
//   1. The answer equals the model's, character for character: every ';'-closed term counts,
//      whatever their number and length, up to a filter of 2999 characters; a longer filter
//      finds nothing. This holds whichever variant of the folded search (portable, SSE2,
//      AVX2) answers: they take turns by input size.
//   2. The answer ends within 3000 units and sits in the same place on every call: the
//      thread's own result text for the filter.
//   3. The call reads the caller's filter no further than it must: the filter is handed in a
//      heap block of exactly the units up to its NUL, or up to the first unit of its 3000th
//      character (reference::UnitsToDecide), so one unit more is an AddressSanitizer report.
//      A filter of megabytes reaches the library as that block, as it would be read anyway.
//   4. The caller's filter is not written, and the answers of FoodPicker and FoodPickerText
//      taken before the call are unchanged after it.
// Sanitizers catch the rest: no read or write outside a field, no undefined behaviour; a build
// with TUNELEDGER_GUARD_RESULTS aborts on a write past either end of a result text.
//
// Input (fuzz::SearchTarget): a start, a byte whose low bit makes the filter null, then the
// filter (fuzz::Input::Text; repeats of "x;" make thousands of terms or runs of ';').
#include <cstddef>
#include <cstdint>

#include "fuzz/search_target.h"
#include "tests/kit/calls.h"
#include "tests/kit/reference_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzz::SearchTarget(data, size, kit::Operation::TermFilter, reference::LongestFilter);
}
