// What this processor runs, asked at run time where the build may not assume it: SSE2 on 32-bit
// x86, AVX2 everywhere, NEON on 32-bit ARM (Linux tells it in the auxiliary vector). The scan
// kernels' choice asks (choice.cpp), and so do the loops that fold, copy and widen a text on every
// call (search/matching.cpp, interface/code_page.cpp): each question is asked once, on first use,
// and its answer kept. GCC's runtime (libgcc, mingw's as well) counts AVX2 only where the
// processor reports OSXSAVE and XGETBV shows the system saves the SSE and AVX registers.
//
// Include it only from files compiled for the build's baseline instruction set, never from a
// kernel's file: the linker keeps one copy of each function for every caller.
#ifndef TUNELEDGER_SEARCH_KERNELS_PROCESSOR_H
#define TUNELEDGER_SEARCH_KERNELS_PROCESSOR_H

#include <cstdint>

#if defined(__arm__) && defined(__linux__) && !defined(__ARM_NEON)
#include <asm/hwcap.h>
#include <sys/auxv.h>
#endif

// Whether a file that assumes no NEON can hold NEON code of its own, run once RunsNeon() says so:
// GCC builds it into a function marked [[gnu::target("fpu=neon")]]; clang's arm_neon.h wants NEON
// for the whole file. (Little-endian only, as every ARM Linux system is: the loops take a 16-bit
// unit's low byte to come first.)
#if defined(__arm__) && defined(__linux__) && defined(__GNUC__) && !defined(__clang__) && !defined(__ARM_NEON) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define TUNELEDGER_NEON_BESIDE 1
#endif

#if defined(__i386__) || defined(__x86_64__)
// A function of SSE2 code in a file that may not assume SSE2 (32-bit x86): there it is compiled
// for SSE2 and runs only once RunsSse2() says so. Where SSE2 is assumed, no attribute, so that it
// inlines.
#if defined(__SSE2__)
#define TUNELEDGER_SSE2_FUNCTION inline
#else
#define TUNELEDGER_SSE2_FUNCTION [[gnu::target("sse2")]]
#endif
#endif

// A loop of machine words that serves where the processor has not said it has the vectors of
// another loop beside it (32-bit x86 without SSE2, ARM Linux without NEON): kept out of line
// there, so that the function that asks (and mostly runs the vectors) keeps its registers.
#if (defined(__i386__) && !defined(__SSE2__)) || defined(TUNELEDGER_NEON_BESIDE)
#define TUNELEDGER_APART_FROM_VECTORS [[gnu::noinline]]
#else
#define TUNELEDGER_APART_FROM_VECTORS
#endif

// Where vectors run beside the baseline (32-bit x86 with SSE2, ARM Linux with NEON), a function
// that every call runs is built twice, each copy with its own loops in line: one for the
// baseline, and one for the vectors (TUNELEDGER_VECTOR_COPY), which runs once RunsVectors() says
// the processor has them.
#if defined(__i386__) && !defined(__SSE2__)
#define TUNELEDGER_VECTORS_BESIDE 1
#define TUNELEDGER_VECTOR_COPY [[gnu::target("sse2")]]
#elif defined(TUNELEDGER_NEON_BESIDE)
#define TUNELEDGER_VECTORS_BESIDE 1
#define TUNELEDGER_VECTOR_COPY [[gnu::target("fpu=neon")]]
#endif

// A function whose reads of a caller's text may take in a few bytes past its end, but never past
// the end of the page its last byte lies on (SmallestPage), so that none can fault. The
// sanitizers, which hold every read to the text's own bytes, are told so.
#define TUNELEDGER_READS_WITHIN_PAGES __attribute__((no_sanitize("address", "thread")))

namespace tuneledger {

// Pages are 4 KiB or more (64 KiB in WebAssembly).
inline constexpr std::uintptr_t SmallestPage = 4096;

// The answer kept in `answer` (0 until asked, then 1 for no and 2 for yes), or `ask`'s, kept. A
// plain static rather than a function's constant: the library links no C++ runtime, whose guard
// calls such a constant would need. Threads that ask at once all keep the same answer.
// (The asking, once, is kept out of line, so that a function that asks needs no frame for it.)
template <typename Ask>
[[gnu::noinline, gnu::cold]] int AskAndKeep(int& answer, Ask ask) {
  const int known = ask() ? 2 : 1;
  __atomic_store_n(&answer, known, __ATOMIC_RELAXED);
  return known;
}

template <typename Ask>
bool Remembered(int& answer, Ask ask) {
  int known = __atomic_load_n(&answer, __ATOMIC_RELAXED);
  if (__builtin_expect(known == 0, 0)) known = AskAndKeep(answer, ask);
  return known == 2;
}

#if defined(__i386__) || defined(__x86_64__)
inline bool RunsSse2() {
#if defined(__SSE2__)
  return true;  // x86-64, or a 32-bit build that assumes SSE2 throughout
#else
  static int answer;
  return Remembered(answer, [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2") != 0;
  });
#endif
}

inline bool RunsAvx2() {
  static int answer;
  return Remembered(answer, [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  });
}
#endif

#if defined(__arm__)
inline bool RunsNeon() {
#if defined(__ARM_NEON)
  return true;  // a build that assumes NEON throughout
#elif defined(__linux__)
  static int answer;
  return Remembered(answer, [] { return (getauxval(AT_HWCAP) & HWCAP_NEON) != 0; });
#else
  return false;
#endif
}
#endif

#if defined(TUNELEDGER_VECTORS_BESIDE)
// Whether the processor has the vectors beside the baseline (RunsSse2() or RunsNeon()), as
// asked once when the library is loaded (AskAtLoad, choice.cpp). Reading it needs no
// question, so a function that only chooses between two copies needs no frame of its own. Were
// the library loaded without running its constructors, it would say no, and every call would
// take the baseline's loops, which give the same answers.
extern int vectors_at_load;
inline bool RunsVectors() { return __atomic_load_n(&vectors_at_load, __ATOMIC_RELAXED) != 0; }
#endif

}  // namespace tuneledger

#endif
