// The shared case table, the unusual inputs and the reference model, compiled to WebAssembly, so
// the JavaScript module's tests under Node hold tuneledger.mjs to the same answers as every other
// host. This module takes heap freely; the library's module takes none.
#include <cstdint>
#include <string>
#include <vector>

#include "cases.h"
#include "reference_model.h"
#include "unusual_inputs.h"

namespace {

struct Row {
  const char* kind;
  cases::Case call;
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> all;
    for (const cases::Case& c : cases::All) all.push_back({"shared case", c});
    for (const unusual::Input& input : unusual::All()) all.push_back({input.kind, input.call});
    return all;
  }();
  return rows;
}

const cases::Case& At(int row) { return Rows()[static_cast<std::size_t>(row)].call; }

// The last answer handed out; JavaScript copies it before asking for the next.
std::u16string answer;

const char16_t* Hand(std::u16string text) {
  answer = std::move(text);
  return answer.c_str();
}

std::u16string input;

}  // namespace

#define EXPORT(name) __attribute__((export_name(#name)))

extern "C" {

EXPORT(CaseCount) int CaseCount() { return static_cast<int>(Rows().size()); }
EXPORT(CaseKind) const char* CaseKind(int row) { return Rows()[static_cast<std::size_t>(row)].kind; }
// 0 Pick, 1 Text, 2 Filter.
EXPORT(CaseCall) int CaseCall(int row) { return static_cast<int>(At(row).call); }
EXPORT(CaseNumber) std::int32_t CaseNumber(int row) { return At(row).number; }
// The case's text up to its first NUL, or null.
EXPORT(CaseText) const char16_t* CaseText(int row) { return At(row).text; }
EXPORT(CaseEnding) const char16_t* CaseEnding(int row) { return At(row).ending; }
EXPORT(CaseExpected) const char16_t* CaseExpected(int row) { return Hand(cases::Expected(At(row), reference::Pick)); }

// Room for a text of `units` UTF-16 units and its NUL, for ReferenceAnswer.
EXPORT(ReferenceInput) char16_t* ReferenceInput(std::size_t units) {
  input.assign(units + 1, u'\0');
  return input.data();
}

// The reference model's answer to a call (0 Pick, 1 Text, 2 Filter).
EXPORT(ReferenceAnswer) const char16_t* ReferenceAnswer(int call, const char16_t* text, std::int32_t number) {
  switch (static_cast<cases::Call>(call)) {
    case cases::Call::Pick: return Hand(reference::Pick(number));
    case cases::Call::Text: return Hand(reference::SearchText(text, number));
    case cases::Call::Filter: return Hand(reference::Filter(text, number));
  }
  return Hand(u"");
}

}  // extern "C"
