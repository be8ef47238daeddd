// The scan kernels: FindFolded, the one loop of both searches, in a variant per instruction set,
// and the choice of the variant this processor runs best.
//
//   find_folded.h   what a kernel does, and the choice (choice.cpp)
//   scan_loop.h     the loop every variant shares, written over a "lanes" type
//   portable.cpp    eight bytes in a 64-bit word, on every processor
//   word32.cpp      eight bytes in two 32-bit words, on 32-bit ARM (the CE DLL's, and without NEON)
//   neon.cpp        32 bytes, on 32-bit ARM processors that report NEON (Linux)
//   sse2.cpp        16 bytes, on x86 processors that report SSE2 (every x86-64 one)
//   avx2.cpp        32 bytes, on x86 processors that report AVX2 (and a system that saves it)
//   simd128.cpp     16 bytes, WebAssembly SIMD, in the module for engines that validate it
#ifndef TUNELEDGER_SEARCH_KERNELS_FIND_FOLDED_H
#define TUNELEDGER_SEARCH_KERNELS_FIND_FOLDED_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tuneledger {

// The word a needle's first bytes are compared in: 64 bits where the processor (or WebAssembly)
// has 64-bit registers, else 32, where a 64-bit word would take two registers.
#if UINTPTR_MAX > 0xFFFFFFFFu || defined(__wasm__)
using NeedleWord = std::uint64_t;
#else
using NeedleWord = std::uint32_t;
#endif
inline constexpr std::size_t NeedleWordBytes = sizeof(NeedleWord);

// A folded text to look for (1 or more bytes, no NUL), with the two of its bytes that the table
// holds least often, counting what the kernels' quick test takes for them: a kernel first looks
// for places where both of those stand, which are few, and compares the whole text only there,
// its first bytes in one word (`first`, made by WithFirstWord in scan.h) and the rest byte by
// byte.
struct Needle {
  const char* bytes;
  std::size_t length;
  std::size_t rare;   // position of the rarest byte
  std::size_t other;  // position of the next rarest (the same when the text has one byte)
  std::size_t third;  // a third, asked where the first two stand (`rare` when there is none)
  struct {
    NeedleWord bytes;    // byte i of the needle in bits 8i to 8i+7 (as WordAt reads a text)
    NeedleWord letters;  // 0x20 in each byte where the needle has a letter ('a' to 'z')
    NeedleWord kept;     // 0xFF in each byte the needle has
  } first;
};

// Byte i of the NeedleWordBytes at `at` in bits 8i to 8i+7, whatever the platform's byte order.
// (`static`: each kernel's file compiles its own copy, as with FoldByte.)
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
static inline NeedleWord WordAt(const char* at) {
  NeedleWord word;
  std::memcpy(&word, at, sizeof word);
  if constexpr (sizeof word == 8) {
    return __builtin_bswap64(word);
  } else {
    return __builtin_bswap32(word);
  }
}
#else
static inline NeedleWord WordAt(const char* at) {
  NeedleWord word;
  std::memcpy(&word, at, sizeof word);
  return word;
}
#endif

// The first position p in [begin, end - length] where the folded bytes at p equal the needle,
// or nullptr. The text is read past `end` by up to ReadPadding bytes (whole vector loads, no
// tail loop); the chart table carries that much padding after its last entry, so any run inside
// it may be searched.
using FindFoldedFunction = const char* (*)(const char* begin, const char* end, const Needle& needle);

struct FindFoldedVariant {
  const char* name;
  FindFoldedFunction find;
};

// The variant the searches use: the fastest this processor runs, chosen on first use
// (ChooseFindFolded, choice.cpp). In line in every caller: a call to ask would cost a search as
// much as the asking, and more in 32-bit x86 code. (`static`, as with FoldByte.)
extern std::atomic<FindFoldedFunction> ActiveVariant;
FindFoldedFunction ChooseFindFolded();
static inline FindFoldedFunction ActiveFindFolded() {
  const FindFoldedFunction find = ActiveVariant.load(std::memory_order_relaxed);
  return find != nullptr ? find : ChooseFindFolded();
}

// Every variant this processor can run, the portable one first. For tests and benchmarks.
const FindFoldedVariant* FindFoldedVariants(std::size_t* count);

// Makes the searches use `find` from now on (nullptr: back to the fastest). For tests, which
// hold every variant to the same answers.
void UseFindFolded(FindFoldedFunction find);

}  // namespace tuneledger

#endif
