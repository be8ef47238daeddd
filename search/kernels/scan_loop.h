// The search loop every variant of FindFolded shares, written once over a "lanes" type that says
// how many bytes one step compares and how.
//
// Each variant's source file includes this header and compiles the loop for its own instruction
// set, so nothing here may be shared between files: every function is static, and each file's
// lane types live in its own unnamed namespace. Otherwise the linker could keep one file's AVX2
// copy of an inline function for every caller, and a processor without AVX2 would trap.
#ifndef TUNELEDGER_SEARCH_KERNELS_SCAN_LOOP_H
#define TUNELEDGER_SEARCH_KERNELS_SCAN_LOOP_H

#include <cstddef>
#include <cstdint>

#include "search/kernels/find_folded.h"
#include "search/matching.h"

namespace tuneledger {

// The needle's bytes past its first word, at `at`: out of line, since a needle that long is
// rare, and the loop keeps fewer registers without them.
[[gnu::noinline]] static bool EqualsFoldedPastFirstWord(const char* at, const Needle& needle) {
  constexpr std::size_t n = NeedleWordBytes;
  return EqualsFolded(at + n, needle.bytes + n, needle.length - n);
}

// Whether the needle stands at `at`, folded. Reads a whole word at `at` whatever the needle's
// length: a place the loop compares lies at most a needle's length before `end`, and the text
// may be read up to ReadPadding bytes past it.
static inline bool EqualsAt(const char* at, const Needle& needle) {
  const NeedleWord text = WordAt(at);
  if ((((text | needle.first.letters) ^ needle.first.bytes) & needle.first.kept) != 0) return false;
  return needle.length <= NeedleWordBytes || EqualsFoldedPastFirstWord(at, needle);
}

// EqualsAt out of line: a word kernel's loop needs every register a 32-bit processor has, and one
// that also held the needle's first word would keep its own values on the stack.
[[gnu::noinline]] static inline bool EqualsAtOutOfLine(const char* at, const Needle& needle) { return EqualsAt(at, needle); }

// Each step looks at Lanes::Width start positions at once. A quick test keeps the positions
// where the needle's two rarest bytes stand, ignoring case by setting bit 0x20 in both the text
// and the needle. That test lets through a few more positions than folding would (a NUL where
// the needle has a space, '@' where it has '`'), never fewer; every position it keeps is then
// compared exactly, its first bytes in one word.
template <typename Lanes>
static const char* FindByRareBytes(const char* begin, const char* end, const Needle& needle) {
  if (static_cast<std::size_t>(end - begin) < needle.length) return nullptr;
  const char* last_start = end - needle.length;
  const auto rare = Lanes::Broadcast(needle.bytes[needle.rare] | 0x20);
  const auto other = Lanes::Broadcast(needle.bytes[needle.other] | 0x20);
  const auto third = Lanes::Broadcast(needle.bytes[needle.third] | 0x20);
  for (const char* p = begin; p <= last_start; p += Lanes::Width) {
    auto matches = Lanes::Matches(p + needle.rare, rare, p + needle.other, other);
    // The vector kernels ask a third byte too, where the first two stand: a place the test keeps
    // costs more than asking. (The word kernels keep their registers for the loop.)
    if (Lanes::Width > 8 && matches != 0) matches &= Lanes::Matches(p + needle.third, third, p + needle.third, third);
    while (matches != 0) {
      const char* candidate = p + Lanes::FirstLane(matches);
      if (candidate > last_start) return nullptr;
      if (Lanes::Width > 8 ? EqualsAt(candidate, needle) : EqualsAtOutOfLine(candidate, needle)) return candidate;
      matches &= matches - 1;
    }
  }
  return nullptr;
}

// Each variant, defined in its own file; choice.cpp lists those this build has.
const char* FindFoldedWords(const char* begin, const char* end, const Needle& needle);
const char* FindFoldedWords32(const char* begin, const char* end, const Needle& needle);
const char* FindFoldedNeon(const char* begin, const char* end, const Needle& needle);
const char* FindFoldedSse2(const char* begin, const char* end, const Needle& needle);
const char* FindFoldedAvx2(const char* begin, const char* end, const Needle& needle);
const char* FindFoldedSimd128(const char* begin, const char* end, const Needle& needle);

}  // namespace tuneledger

#endif
