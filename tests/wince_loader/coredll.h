// Stand-ins for the functions of COREDLL.dll, CE's system DLL, that the stand-in loader binds a
// DLL's imports to: each written from the documented behaviour of the CE function, on what Linux
// has (TLS slots on pthread keys, the process heap on malloc, critical sections on recursive
// mutexes), and each counting what it holds so that a test can see what a DLL left behind.
#ifndef TUNELEDGER_TESTS_WINCE_LOADER_COREDLL_H
#define TUNELEDGER_TESTS_WINCE_LOADER_COREDLL_H

#include <string>

namespace coredll {

// The stand-in for the function COREDLL.dll exports by this name, or null if there is none.
void* Function(const std::string& name);

// What the DLL holds now: heap blocks, TLS slots, critical sections made and not deleted.
int HeldHeapBlocks();
int HeldTlsSlots();
int HeldCriticalSections();

// Misuse the stand-ins saw (a block freed twice or never given, a call on another heap, a slot
// not taken, a critical section left while not held...), each once, then cleared; "" for none.
std::string TakeMisuse();

// Every slot CE gives a process: TlsAlloc fails beyond this many.
inline constexpr int TlsSlots = 64;

}  // namespace coredll

#endif
