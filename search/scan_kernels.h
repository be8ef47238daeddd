// The scan kernels: the search loop every variant of FindFolded shares, written once over a
// "lanes" type that says how many bytes one step compares and how.
//
// Each variant's source file includes this header and compiles the loop for its own instruction
// set, so nothing here may be shared between files: every function is static, and each file's
// lane types live in its own unnamed namespace. Otherwise the linker could keep one file's AVX2
// copy of an inline function for every caller, and a processor without AVX2 would trap.
#ifndef TUNELEDGER_SEARCH_SCAN_KERNELS_H
#define TUNELEDGER_SEARCH_SCAN_KERNELS_H

#include <cstddef>

#include "matching.h"

namespace tuneledger {

static inline bool EqualsFolded(const char* text, const char* needle, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (FoldByte(text[i]) != needle[i]) return false;
  }
  return true;
}

// Each step looks at Lanes::Width start positions at once. A quick test keeps the positions
// where the needle's two rarest bytes stand, ignoring case by setting bit 0x20 in both the text
// and the needle. That test lets through a few more positions than folding would (a NUL where
// the needle has a space, '@' where it has '`'), never fewer; every position it keeps is then
// compared exactly.
template <typename Lanes>
static const char* FindByRareBytes(const char* begin, const char* end, const Needle& needle) {
  if (static_cast<std::size_t>(end - begin) < needle.length) return nullptr;
  const char* last_start = end - needle.length;
  const auto rare = Lanes::Broadcast(needle.bytes[needle.rare] | 0x20);
  const auto other = Lanes::Broadcast(needle.bytes[needle.other] | 0x20);
  for (const char* p = begin; p <= last_start; p += Lanes::Width) {
    auto matches = Lanes::Matches(p + needle.rare, rare, p + needle.other, other);
    while (matches != 0) {
      const char* candidate = p + Lanes::FirstLane(matches);
      if (candidate > last_start) return nullptr;
      if (EqualsFolded(candidate, needle.bytes, needle.length)) return candidate;
      matches &= matches - 1;
    }
  }
  return nullptr;
}

// Declared for the dispatcher; defined in scan_kernels_avx2.cpp, which is compiled for AVX2.
const char* FindFoldedAvx2(const char* begin, const char* end, const Needle& needle);

}  // namespace tuneledger

#endif
