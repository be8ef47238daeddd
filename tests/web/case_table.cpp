// The harness kit's list of cases and the reference model, compiled to WebAssembly, so the
// JavaScript module's tests under Node hold tuneledger.mjs to the same answers as every other
// host. This module takes heap freely; the library's module takes none.
#include <cstdint>
#include <string>

#include "tests/kit/calls.h"
#include "tests/kit/cases.h"
#include "tests/kit/reference_model.h"

namespace {

const kit::CaseList& List() {
  static const kit::CaseList list(reference::Lookup);
  return list;
}

const kit::Case& At(int row) { return List().All()[static_cast<std::size_t>(row)]; }

// The last text handed out; JavaScript copies it before asking for the next.
std::u16string answer;
std::string description;
std::u16string input;

const char16_t* Hand(std::u16string text) {
  answer = std::move(text);
  return answer.c_str();
}

}  // namespace

#define EXPORT(name) __attribute__((export_name(#name)))

extern "C" {

EXPORT(CaseCount) int CaseCount() { return static_cast<int>(List().All().size()); }
// The case as a call, for a failure report (UTF-8).
EXPORT(CaseDescription) const char* CaseDescription(int row) {
  description = kit::Describe(At(row));
  return description.c_str();
}
// kit::Operation: 0 Lookup, 1 TextSearch, 2 TermFilter.
EXPORT(CaseOperation) int CaseOperation(int row) { return static_cast<int>(At(row).operation); }
EXPORT(CaseNumber) std::int32_t CaseNumber(int row) { return At(row).number; }
// The case's text, null for a null text, and its units (NULs inside included).
EXPORT(CaseText) const char16_t* CaseText(int row) { return At(row).Text(); }
EXPORT(CaseTextUnits) std::size_t CaseTextUnits(int row) { return At(row).text.size(); }
EXPORT(CaseEnding) const char16_t* CaseEnding(int row) { return At(row).ending; }
EXPORT(CaseExpected) const char16_t* CaseExpected(int row) { return Hand(kit::Expected(At(row), reference::Lookup)); }

// Room for a text of `units` UTF-16 units and its NUL, for ReferenceAnswer.
EXPORT(ReferenceInput) char16_t* ReferenceInput(std::size_t units) {
  input.assign(units + 1, u'\0');
  return input.data();
}

// The reference model's answer to a call (0 Lookup, 1 TextSearch, 2 TermFilter).
EXPORT(ReferenceAnswer) const char16_t* ReferenceAnswer(int operation, const char16_t* text, std::int32_t number) {
  return Hand(reference::Answer(static_cast<kit::Operation>(operation), text, number));
}

}  // extern "C"
