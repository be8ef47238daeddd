// Where each thread keeps its result texts: one per operation, taken on the thread's first call
// and given back when the thread ends or the library is unloaded.
//
// Two homes, one per kind of build: a thread_local object (thread_texts.cpp) everywhere but in
// the Windows DLL, which keeps them itself with its DllMain (dll_main.cpp).
#ifndef TUNELEDGER_INTERFACE_THREAD_TEXTS_H
#define TUNELEDGER_INTERFACE_THREAD_TEXTS_H

#include <cstddef>

#include "interface/capacities.h"
#include "interface/result_text.h"

namespace tuneledger {

#ifdef TUNELEDGER_GUARD_RESULTS

// AddressSanitizer puts no guard zones around thread_local arrays, so a test build puts its own
// on both sides of every result text (see result_text.cpp).
inline constexpr std::size_t GuardUnits = 8;

struct GuardedText {
  char16_t before[GuardUnits];
  char16_t text[ResultCapacity];
  char16_t after[GuardUnits];
};

struct ThreadTexts {
  GuardedText results[OperationCount];
  bool guards_set;
};

#else

// Plain arrays: nothing to construct or destroy, all zero when first taken.
struct ThreadTexts {
  char16_t results[OperationCount][ResultCapacity];
};

#endif

// The calling thread's texts. Null only if the thread's first call could not get the memory for
// them (the Windows DLL takes it from the process heap).
ThreadTexts* CallingThreadTexts();

}  // namespace tuneledger

#endif
