// The three calls as every harness meets them: the tests in process, the hosts that load the
// shared object or the DLL, the fuzz targets and the benchmark. A host fills one `Calls` with
// the functions it found; everything else goes through `Call` or `Answer`, the one place that
// tells the three calls apart.
#ifndef TUNELEDGER_TESTS_KIT_CALLS_H
#define TUNELEDGER_TESTS_KIT_CALLS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tuneledger.h"

namespace kit {

// Named as the library's files are: lookup.cpp, text_search.cpp, term_filter.cpp.
enum class Operation { Lookup, TextSearch, TermFilter };  // FoodPicker, FoodPickerText, FoodPickerFilter

inline constexpr Operation Operations[] = {Operation::Lookup, Operation::TextSearch, Operation::TermFilter};
inline constexpr const char* OperationNames[] = {"Lookup", "TextSearch", "TermFilter"};
inline constexpr const char* ExportedNames[] = {"FoodPicker", "FoodPickerText", "FoodPickerFilter"};

inline const char* NameOf(Operation operation) { return OperationNames[static_cast<int>(operation)]; }
inline const char* ExportedNameOf(Operation operation) { return ExportedNames[static_cast<int>(operation)]; }

// The entry a message answers for: none.
inline constexpr int NoEntry = -1;
// Every answer ends within this many units, its terminator included.
inline constexpr std::size_t ResultCapacity = TUNELEDGER_RESULT_UNITS;

// The one cast between the harness's UTF-16 (char16_t) and the library's (tuneledger_char:
// wchar_t on Windows, where it has the same 16 bits).
static_assert(sizeof(tuneledger_char) == sizeof(char16_t), "tuneledger_char holds UTF-16 units");
inline const tuneledger_char* ToLibrary(const char16_t* text) { return reinterpret_cast<const tuneledger_char*>(text); }
inline const char16_t* FromLibrary(const tuneledger_char* text) { return reinterpret_cast<const char16_t*>(text); }

// An answer as text: up to its terminator, and never more than ResultCapacity units, so a
// missing terminator shows as an answer of ResultCapacity units instead of a read past the end.
inline std::u16string Read(const tuneledger_char* answer) {
  const char16_t* text = FromLibrary(answer);
  std::size_t length = 0;
  while (length < ResultCapacity && text[length] != 0) ++length;
  return {text, length};
}

// The one place that tells the three calls apart. `table` answers lookup(index),
// text_search(text, start) and term_filter(text, start): the library's calls (Calls below), or
// the reference model's.
template <typename Table>
auto Dispatch(const Table& table, Operation operation, const char16_t* text, std::int32_t number)
    -> decltype(table.Lookup(number)) {
  switch (operation) {
    case Operation::Lookup: return table.Lookup(number);
    case Operation::TextSearch: return table.TextSearch(text, number);
    case Operation::TermFilter: return table.TermFilter(text, number);
  }
  return {};
}

// The library's three calls, as a host found them: linked in, from dlsym or from GetProcAddress.
struct Calls {
  using LookupFunction = decltype(&FoodPicker);
  using SearchFunction = decltype(&FoodPickerText);

  LookupFunction lookup = nullptr;
  SearchFunction text_search = nullptr;
  SearchFunction term_filter = nullptr;

  bool Complete() const { return lookup && text_search && term_filter; }
  const tuneledger_char* Lookup(std::int32_t index) const { return lookup(index); }
  const tuneledger_char* TextSearch(const char16_t* text, std::int32_t start) const {
    return text_search(ToLibrary(text), start);
  }
  const tuneledger_char* TermFilter(const char16_t* filter, std::int32_t start) const {
    return term_filter(ToLibrary(filter), start);
  }
};

// The calls of the library this program links.
inline Calls InProcess() { return {&FoodPicker, &FoodPickerText, &FoodPickerFilter}; }

// `number` is the index for Lookup, the start for the searches; Lookup ignores `text`.
inline const tuneledger_char* Call(const Calls& calls, Operation operation, const char16_t* text, std::int32_t number) {
  return Dispatch(calls, operation, text, number);
}
inline std::u16string Answer(const Calls& calls, Operation operation, const char16_t* text, std::int32_t number) {
  return Read(Call(calls, operation, text, number));
}

// The index of a search hit ("INDEX-ENTRY": at most five digits, then '-'), or NoEntry for any
// other answer. Reads no further than the '-' or the first unit that is none.
inline int HitIndex(const char16_t* answer) {
  int index = 0;
  std::size_t digits = 0;
  for (; digits < 5 && answer[digits] >= u'0' && answer[digits] <= u'9'; ++digits) {
    index = index * 10 + (answer[digits] - u'0');
  }
  return digits > 0 && answer[digits] == u'-' ? index : NoEntry;
}
inline int HitIndex(const std::u16string& answer) { return HitIndex(answer.c_str()); }

// A search hit's answer: the index in decimal, '-', and the entry's text.
inline std::u16string Hit(int index, std::u16string_view entry) {
  std::u16string hit;
  for (char digit : std::to_string(index)) hit += static_cast<char16_t>(digit);
  hit += u'-';
  hit += entry;
  return hit;
}

}  // namespace kit

#endif
