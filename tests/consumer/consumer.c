/* A C host of the installed library: one call of each kind, printed. Exits 0 if every answer
 * is the expected one. */
#include <stdio.h>
#include <string.h>

#include <tuneledger.h>

/* The answer as 8-bit text; every expected answer here is plain ASCII. */
static const char *Ascii(const tuneledger_char *text) {
  static char out[3000];
  size_t n = 0;
  while (text[n] != 0 && n + 1 < sizeof out) {
    out[n] = text[n] < 0x80 ? (char)text[n] : '?';
    ++n;
  }
  out[n] = '\0';
  return out;
}

static int Shows(const char *call, const tuneledger_char *answer, const char *expected) {
  const char *text = Ascii(answer);
  int ok = strcmp(text, expected) == 0;
  printf("%-32s %s%s\n", call, text, ok ? "" : "   <- unexpected");
  return ok;
}

int main(void) {
  static const tuneledger_char text[] = {'(', 'X', '1', '2', '4', ')', 0};
  static const tuneledger_char filter[] = {'|', '4', '6', '5', '4', '7', '|', ';', 0};
  int ok = 1;
  printf("tuneledger %d.%d.%d.%d\n", TUNELEDGER_VERSION_MAJOR, TUNELEDGER_VERSION_MINOR,
         TUNELEDGER_VERSION_PATCH, TUNELEDGER_VERSION_TWEAK);
  ok &= Shows("FoodPicker(4)", FoodPicker(4),
              "Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961");
  ok &= Shows("FoodPicker(11082)", FoodPicker(11082), "Out of range");
  ok &= Shows("FoodPickerText(\"(X124)\", 0)", FoodPickerText(text, 0),
              "4-Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961");
  ok &= Shows("FoodPickerText(\"(X124)\", 5)", FoodPickerText(text, 5), "NOT FOUND!");
  ok &= Shows("FoodPickerFilter(\"|46547|;\", 0)", FoodPickerFilter(filter, 0),
              "11081-Mara Dunmore |40 Loves|1|0|167|0|46547|46547");
  return ok ? 0 : 1;
}
