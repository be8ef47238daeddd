// Small helpers the tests share.
#ifndef TUNELEDGER_TESTS_TEST_SUPPORT_H
#define TUNELEDGER_TESTS_TEST_SUPPORT_H

#include <string>

#include "tuneledger.h"

inline const tuneledger_char* Caller(const char16_t* text) {
  return reinterpret_cast<const tuneledger_char*>(text);
}

inline std::u16string Answer(const tuneledger_char* result) {
  return reinterpret_cast<const char16_t*>(result);
}

inline std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

#endif
