#include "interface/result_text.h"

#include <cstring>

#include "data/chart_table.h"
#include "interface/code_page.h"
#include "interface/thread_texts.h"
#include "search/operations.h"

#ifdef TUNELEDGER_GUARD_RESULTS
#include <cstdio>
#include <cstdlib>
#endif

namespace tuneledger {
namespace {

#ifdef TUNELEDGER_GUARD_RESULTS

// Guards on both sides of every result text, checked whenever a result text is handed out or
// filled: a write past either end stops the process at the call that made it.
constexpr char16_t GuardUnit = 0xDEAD;  // a lone surrogate, which no answer holds

bool Intact(const char16_t* guard) {
  for (std::size_t i = 0; i < GuardUnits; ++i) {
    if (guard[i] != GuardUnit) return false;
  }
  return true;
}

void CheckGuards(ThreadTexts& texts) {
  if (!texts.guards_set) {
    for (GuardedText& result : texts.results) {
      for (std::size_t i = 0; i < GuardUnits; ++i) result.before[i] = result.after[i] = GuardUnit;
    }
    texts.guards_set = true;
  }
  for (const GuardedText& result : texts.results) {
    if (!Intact(result.before) || !Intact(result.after)) {
      std::fputs("tuneledger: a result text was overrun\n", stderr);
      std::abort();
    }
  }
}

char16_t* TextOf(ThreadTexts& texts, Operation operation) {
  CheckGuards(texts);
  return texts.results[static_cast<int>(operation)].text;
}

#else

void CheckGuards(ThreadTexts&) {}

char16_t* TextOf(ThreadTexts& texts, Operation operation) {
  return texts.results[static_cast<int>(operation)];
}

#endif

void ComposeMessage(char16_t* result, const char16_t* message) {
  char16_t* out = result;
  while ((*out++ = *message++) != u'\0') {
  }
}

void ComposeEntry(char16_t* result, int index) {
  std::string_view entry = EntryText(index);
  *ToWide(entry.data(), entry.size(), result) = u'\0';
}

// The two digits of each number below 100, "00" to "99", one after another.
constexpr char16_t DigitPairs[] =
    u"00010203040506070809"
    u"10111213141516171819"
    u"20212223242526272829"
    u"30313233343536373839"
    u"40414243444546474849"
    u"50515253545556575859"
    u"60616263646566676869"
    u"70717273747576777879"
    u"80818283848586878889"
    u"90919293949596979899";
static_assert(sizeof DigitPairs == (200 + 1) * sizeof(char16_t));

void ComposeHit(char16_t* result, int index) {
  // The digits straight into place, last first, two at a time. (An index has at most five.)
  static_assert(LastEntryIndex < 100000);
  const int count = 1 + (index >= 10) + (index >= 100) + (index >= 1000) + (index >= 10000);
  char16_t* out = result + count;
  char16_t* digit = out;
  int rest = index;
  for (; rest >= 100; rest /= 100) {
    digit -= 2;
    std::memcpy(digit, DigitPairs + 2 * (rest % 100), 2 * sizeof(char16_t));
  }
  if (rest >= 10) {
    digit -= 2;
    std::memcpy(digit, DigitPairs + 2 * rest, 2 * sizeof(char16_t));
  } else {
    digit[-1] = static_cast<char16_t>(u'0' + rest);
  }
  for (const char* separator = IndexSeparator; *separator != '\0'; ++separator) *out++ = static_cast<char16_t>(*separator);
  std::string_view entry = EntryText(index);
  *ToWide(entry.data(), entry.size(), out) = u'\0';
}

}  // namespace

const char16_t* ComposeAnswer(Operation operation, int entry) {
  ThreadTexts* texts = CallingThreadTexts();
  if (texts == nullptr) return nullptr;
  char16_t* result = TextOf(*texts, operation);
  if (entry == NoEntry) {
    ComposeMessage(result, operation == Operation::Lookup ? OutOfRangeText : NotFoundText);
  } else if (operation == Operation::Lookup) {
    ComposeEntry(result, entry);
  } else {
    ComposeHit(result, entry);
  }
  CheckGuards(*texts);
  return result;
}

}  // namespace tuneledger
