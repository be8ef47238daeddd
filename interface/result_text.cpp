#include "result_text.h"

#include "chart_table.h"
#include "code_page.h"
#include "operations.h"

#ifdef TUNELEDGER_GUARD_RESULTS
#include <cstdio>
#include <cstdlib>
#endif

namespace tuneledger {
namespace {

#ifdef TUNELEDGER_GUARD_RESULTS

// AddressSanitizer puts no guard zones around thread_local arrays, so a test build puts its own
// on both sides of every result text and checks them whenever a result text is handed out or
// filled: a write past either end stops the process at the call that made it.
constexpr std::size_t GuardUnits = 8;
constexpr char16_t GuardUnit = 0xDEAD;  // a lone surrogate, which no answer holds

struct GuardedResult {
  char16_t before[GuardUnits];
  char16_t text[ResultCapacity];
  char16_t after[GuardUnits];
};

thread_local GuardedResult Results[OperationCount];
thread_local bool GuardsSet = false;

bool Intact(const char16_t* guard) {
  for (std::size_t i = 0; i < GuardUnits; ++i) {
    if (guard[i] != GuardUnit) return false;
  }
  return true;
}

void CheckGuards() {
  if (!GuardsSet) {
    for (GuardedResult& result : Results) {
      for (std::size_t i = 0; i < GuardUnits; ++i) result.before[i] = result.after[i] = GuardUnit;
    }
    GuardsSet = true;
  }
  for (const GuardedResult& result : Results) {
    if (!Intact(result.before) || !Intact(result.after)) {
      std::fputs("tuneledger: a result text was overrun\n", stderr);
      std::abort();
    }
  }
}

char16_t* ThreadResult(Operation operation) {
  CheckGuards();
  return Results[static_cast<int>(operation)].text;
}

#else

// Plain arrays: a thread_local with a destructor would have to run it at thread exit, and in
// a Windows DLL that is fragile. These need no construction and no destruction.
thread_local char16_t Results[OperationCount][ResultCapacity];

void CheckGuards() {}

char16_t* ThreadResult(Operation operation) { return Results[static_cast<int>(operation)]; }

#endif

const char16_t* Composed(const char16_t* result) {
  CheckGuards();
  return result;
}

const char16_t* ComposeMessage(char16_t* result, const char16_t* message) {
  char16_t* out = result;
  while ((*out++ = *message++) != u'\0') {
  }
  return Composed(result);
}

const char16_t* ComposeEntry(char16_t* result, int index) {
  std::string_view entry = EntryText(index);
  *ToWide(entry.data(), entry.size(), result) = u'\0';
  return Composed(result);
}

const char16_t* ComposeHit(char16_t* result, int index) {
  // The digits straight into place, last first.
  int count = 1;
  for (int rest = index / 10; rest > 0; rest /= 10) ++count;
  char16_t* out = result + count;
  for (int rest = index, i = count - 1; i >= 0; rest /= 10, --i) result[i] = static_cast<char16_t>(u'0' + rest % 10);
  out = ToWide(IndexSeparator, sizeof IndexSeparator - 1, out);
  std::string_view entry = EntryText(index);
  *ToWide(entry.data(), entry.size(), out) = u'\0';
  return Composed(result);
}

}  // namespace

char16_t* ResultText(Operation operation) { return ThreadResult(operation); }

const char16_t* ComposeAnswer(Operation operation, int entry) {
  char16_t* result = ResultText(operation);
  if (operation == Operation::Lookup) {
    return entry == NoEntry ? ComposeMessage(result, OutOfRangeText) : ComposeEntry(result, entry);
  }
  return entry == NoEntry ? ComposeMessage(result, NotFoundText) : ComposeHit(result, entry);
}

}  // namespace tuneledger
