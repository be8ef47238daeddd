#include "result_text.h"

#include "chart_table.h"
#include "code_page.h"

namespace tuneledger {
namespace {

// Plain arrays: a thread_local with a destructor would have to run it at thread exit, and in
// a Windows DLL that is fragile. These need no construction and no destruction.
thread_local char16_t Results[3][ResultCapacity];

}  // namespace

char16_t* ResultText(Operation operation) { return Results[static_cast<int>(operation)]; }

const char16_t* ComposeMessage(char16_t* result, const char16_t* message) {
  char16_t* out = result;
  while ((*out++ = *message++) != u'\0') {
  }
  return result;
}

const char16_t* ComposeEntry(char16_t* result, int index) {
  std::string_view entry = EntryText(index);
  *ToWide(entry.data(), entry.size(), result) = u'\0';
  return result;
}

const char16_t* ComposeHit(char16_t* result, int index) {
  char digits[10];
  int count = 0;
  for (int rest = index; count == 0 || rest > 0; rest /= 10) {
    digits[count++] = static_cast<char>('0' + rest % 10);
  }
  char16_t* out = result;
  while (count > 0) out = ToWide(&digits[--count], 1, out);
  out = ToWide(IndexSeparator, sizeof IndexSeparator - 1, out);
  std::string_view entry = EntryText(index);
  *ToWide(entry.data(), entry.size(), out) = u'\0';
  return result;
}

}  // namespace tuneledger
