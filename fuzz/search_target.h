// The body of both search targets (text_search_fuzzer.cpp, term_filter_fuzzer.cpp), whose
// invariants each lists: only the operation and the longest text it takes differ.
#ifndef TUNELEDGER_FUZZ_SEARCH_TARGET_H
#define TUNELEDGER_FUZZ_SEARCH_TARGET_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_input.h"
#include "tests/kit/calls.h"
#include "tests/kit/reference_model.h"
#include "tuneledger.h"

namespace fuzz {

// Input: a start (Input::Number), a byte whose low bit makes the text null, then the text
// (Input::Text).
inline int SearchTarget(const std::uint8_t* data, std::size_t size, kit::Operation operation, std::size_t longest) {
  if (size > MaxInputBytes) return 0;
  static const tuneledger_char* first_answer = nullptr;
  UseSearchVariantFor(size);
  Input input(data, size);
  std::int32_t start = input.Number();
  bool null_text = (input.Byte() & 1) != 0;
  std::u16string whole = input.Text();
  const char16_t* text = null_text ? nullptr : whole.c_str();

  HandedText handed(text, longest);
  Bystanders bystanders(operation);
  const tuneledger_char* answer = kit::Call(kit::InProcess(), operation, handed.get(), start);

  RequireSamePlace(first_answer, answer);
  std::u16string got = Read(answer);
  RequireEqual(got, reference::Answer(operation, text, start, LastToCheck(got)), "the answer equals the model's");
  Require(null_text || handed.Unchanged(text), "the caller's text is not written");
  bystanders.RequireUnchanged();
  return 0;
}

}  // namespace fuzz

#endif
