// The harness kit's list of cases as data, for the Python package's tests: one JSON object a
// line, with the answer the reference model gives (as tests/web/case_table.cpp hands the same
// list to the JavaScript tests).
//
//   {"call": "TextSearch", "case": "TextSearch(u\"(x124)\", 5)", "text": {"piece": "(x124)",
//    "units": 6}, "number": 5, "expected": "NOT FOUND!"}
//
// "text" is null for a null text. A text of megabytes is written as the shortest piece it
// repeats and its length in UTF-16 units: `piece` over and over, cut at `units`. Strings are
// JSON with every unit outside printable ASCII as \uXXXX, so lone surrogates and NULs survive.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "tests/kit/calls.h"
#include "tests/kit/cases.h"
#include "tests/kit/reference_model.h"

namespace {

void PutJson(std::u16string_view text) {
  std::putchar('"');
  for (const char16_t unit : text) {
    if (unit >= 0x20 && unit < 0x7F && unit != u'"' && unit != u'\\') {
      std::putchar(static_cast<char>(unit));
    } else {
      std::printf("\\u%04x", static_cast<unsigned>(unit));
    }
  }
  std::putchar('"');
}

void PutJson(std::string_view text) {
  std::u16string units;
  for (const char c : text) units += static_cast<char16_t>(static_cast<unsigned char>(c));
  PutJson(units);
}

// The length of the shortest piece that `text` repeats, cut anywhere; the whole length when
// none repeats. Periods longer than a few thousand units are not looked for.
std::size_t Period(std::u16string_view text) {
  for (std::size_t period = 1; period < text.size() && period <= 4096; ++period) {
    std::size_t at = period;
    while (at < text.size() && text[at] == text[at - period]) ++at;
    if (at == text.size()) return period;
  }
  return text.size();
}

}  // namespace

int main() {
  const kit::CaseList list(reference::Lookup);
  for (const kit::Case& c : list.All()) {
    std::printf("{\"call\": \"%s\", \"case\": ", kit::NameOf(c.operation));
    PutJson(kit::Describe(c));
    std::printf(", \"text\": ");
    if (c.Text() == nullptr) {
      std::printf("null");
    } else {
      std::printf("{\"piece\": ");
      PutJson(c.text.substr(0, Period(c.text)));
      std::printf(", \"units\": %zu}", c.text.size());
    }
    std::printf(", \"number\": %ld, \"expected\": ", static_cast<long>(c.number));
    PutJson(kit::Expected(c, reference::Lookup));
    std::printf("}\n");
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
