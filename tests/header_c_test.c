/* The public header compiles as C, and a C program can call the library through it. */
#include "tuneledger.h"

#include <stdio.h>

static int Equals(const tuneledger_char *text, const char *ascii) {
  while (*ascii && *text == (tuneledger_char)*ascii) {
    ++text;
    ++ascii;
  }
  return *text == 0 && *ascii == 0;
}

static int Holds(const tuneledger_char *text, tuneledger_char character) {
  for (; *text; ++text) {
    if (*text == character) return 1;
  }
  return 0;
}

int main(void) {
  static const tuneledger_char query[] = {'(', 'X', '1', '2', '4', ')', 0};
  /* Entry 730 holds the byte 0x80, which comes back as the table's first character (the euro). */
  static const tuneledger_char high[32] = TUNELEDGER_WINDOWS_1252_HIGH;
  int ok = Equals(FoodPicker(11082), "Out of range") &&
           Equals(FoodPickerText(query, 5), "NOT FOUND!") &&
           FoodPickerFilter(NULL, 4)[0] == '4' &&
           Holds(FoodPicker(730), high[0]) &&
           TUNELEDGER_VERSION_MAJOR >= 1;
  puts(ok ? "ok" : "unexpected answer");
  return ok ? 0 : 1;
}
