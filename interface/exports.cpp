// The exported frame: convert the caller's text into the operation's field, forward, return.
#include "tuneledger.h"

#include "capacities.h"
#include "code_page.h"
#include "operations.h"

namespace {

static_assert(sizeof(tuneledger_char) == sizeof(char16_t),
              "callers pass UTF-16 code units, whatever the platform calls them");

const char16_t* FromCaller(const tuneledger_char* text) {
  return reinterpret_cast<const char16_t*>(text);
}

const tuneledger_char* ToCaller(const char16_t* text) {
  return reinterpret_cast<const tuneledger_char*>(text);
}

}  // namespace

extern "C" {

const tuneledger_char* FoodPicker(int32_t index) {
  return ToCaller(tuneledger::LookupEntry(index));
}

const tuneledger_char* FoodPickerText(const tuneledger_char* text, int32_t start) {
  char field[tuneledger::SearchCapacity];
  return ToCaller(tuneledger::SearchText(tuneledger::ToNarrow(FromCaller(text), field, sizeof field), start));
}

const tuneledger_char* FoodPickerFilter(const tuneledger_char* filter, int32_t start) {
  char field[tuneledger::FilterCapacity];
  return ToCaller(
      tuneledger::FilterEntries(tuneledger::ToNarrow(FromCaller(filter), field, sizeof field), start));
}

}  // extern "C"
