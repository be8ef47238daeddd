// Fuzzes FoodPicker against the reference model.
//
// Invariants, for any index:
//   1. The answer equals the model's, character for character: entry `index` as stored for
//      0 to 11081, "Out of range" for every other index.
//   2. The answer ends within 3000 units and sits in the same place on every call: the
//      thread's own result text for lookups.
//   3. The answers of FoodPickerText and FoodPickerFilter taken before the call are unchanged
//      after it.
// Sanitizers catch the rest: no read outside the table, no undefined behaviour; a build with
// TUNELEDGER_GUARD_RESULTS aborts on a write past either end of a result text.
//
// Input: up to 16 indexes, one after the other, each as fuzz::Input::Number reads it.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "tests/kit/calls.h"
#include "tests/kit/reference_model.h"
#include "tuneledger.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::MaxInputBytes) return 0;
  static const tuneledger_char* first_answer = nullptr;
  fuzz::Input input(data, size);
  int calls = 0;
  do {
    std::int32_t index = input.Number();
    fuzz::Bystanders bystanders(kit::Operation::Lookup);
    const tuneledger_char* answer = FoodPicker(index);
    fuzz::RequireSamePlace(first_answer, answer);
    fuzz::RequireEqual(fuzz::Read(answer), reference::Lookup(index), "the answer equals the model's");
    bystanders.RequireUnchanged();
  } while (!input.Empty() && ++calls < 16);
  return 0;
}
