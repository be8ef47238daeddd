// The exported frame: convert the caller's text into the operation's field, let the operation
// find its entry, and compose the caller's answer from it.
#include "tuneledger.h"

#include "interface/capacities.h"
#include "interface/code_page.h"
#include "interface/result_text.h"
#include "search/operations.h"

namespace {

using tuneledger::ComposeAnswer;
using tuneledger::NoEntry;
using tuneledger::Operation;

static_assert(sizeof(tuneledger_char) == sizeof(char16_t),
              "callers pass UTF-16 code units, whatever the platform calls them");

tuneledger::FieldText Narrow(const tuneledger_char* text, char* field, std::size_t capacity) {
  return tuneledger::ToNarrow(reinterpret_cast<const char16_t*>(text), field, capacity);
}

const tuneledger_char* ToCaller(const char16_t* answer) { return reinterpret_cast<const tuneledger_char*>(answer); }

}  // namespace

// Windows names the exports in the module-definition file, which GCC's link-time optimization
// doesn't read: each is marked as seen from outside, or the optimizer would fold it into its
// callers and leave the export table pointing nowhere.
#if defined(_WIN32)
#define TUNELEDGER_EXPORTED __attribute__((externally_visible))
#else
#define TUNELEDGER_EXPORTED
#endif

extern "C" {

TUNELEDGER_EXPORTED const tuneledger_char* TUNELEDGER_CALL FoodPicker(int32_t index) {
  int entry = tuneledger::Lookup(index);
  return ToCaller(ComposeAnswer(Operation::Lookup, entry));
}

// A text that does not fit its field is longer than any entry, so it occurs in none.
TUNELEDGER_EXPORTED const tuneledger_char* TUNELEDGER_CALL FoodPickerText(const tuneledger_char* text, int32_t start) {
  char field[tuneledger::SearchCapacity];
  tuneledger::FieldText narrow = Narrow(text, field, sizeof field);
  int hit = narrow.fits ? tuneledger::TextSearch(narrow.bytes, narrow.length, start) : NoEntry;
  return ToCaller(ComposeAnswer(Operation::TextSearch, hit));
}

// A filter that does not fit its field finds nothing.
TUNELEDGER_EXPORTED const tuneledger_char* TUNELEDGER_CALL FoodPickerFilter(const tuneledger_char* filter, int32_t start) {
  char field[tuneledger::FilterCapacity];
  tuneledger::FieldText narrow = Narrow(filter, field, sizeof field);
  int hit = narrow.fits ? tuneledger::TermFilter(narrow.bytes, narrow.length, start) : NoEntry;
  return ToCaller(ComposeAnswer(Operation::TermFilter, hit));
}

}  // extern "C"
