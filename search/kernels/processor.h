// What this processor runs, asked at run time where the build may not assume it: SSE2 on 32-bit
// x86, AVX2 everywhere, NEON on 32-bit ARM (Linux tells it in the auxiliary vector). The scan
// kernels' choice asks (choice.cpp), and so do the loops that fold and widen a text
// (search/matching.cpp, interface/code_page.cpp). GCC's runtime (libgcc, mingw's as well) counts
// AVX2 only where the processor reports OSXSAVE and XGETBV shows the system saves the SSE and AVX
// registers.
//
// Include it only from files compiled for the build's baseline instruction set, never from a
// kernel's file: the linker keeps one copy of each function for every caller.
#ifndef TUNELEDGER_SEARCH_KERNELS_PROCESSOR_H
#define TUNELEDGER_SEARCH_KERNELS_PROCESSOR_H

#if defined(__arm__) && defined(__linux__) && !defined(__ARM_NEON)
#include <asm/hwcap.h>
#include <sys/auxv.h>
#endif

// Whether a file that assumes no NEON can hold NEON code of its own, run once RunsNeon() says so:
// GCC builds it into a function marked [[gnu::target("fpu=neon")]]; clang's arm_neon.h wants NEON
// for the whole file.
#if defined(__arm__) && defined(__linux__) && defined(__GNUC__) && !defined(__clang__) && !defined(__ARM_NEON)
#define TUNELEDGER_NEON_BESIDE 1
#endif

namespace tuneledger {

#if defined(__i386__) || defined(__x86_64__)
inline bool RunsSse2() {
#if defined(__SSE2__)
  return true;  // x86-64, or a 32-bit build that assumes SSE2 throughout
#else
  __builtin_cpu_init();
  return __builtin_cpu_supports("sse2");
#endif
}

inline bool RunsAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

#if defined(__arm__)
inline bool RunsNeon() {
#if defined(__ARM_NEON)
  return true;  // a build that assumes NEON throughout
#elif defined(__linux__)
  return (getauxval(AT_HWCAP) & HWCAP_NEON) != 0;
#else
  return false;
#endif
}
#endif

}  // namespace tuneledger

#endif
