// The DLL's entry point, and where each thread keeps its result texts in the DLL.
//
// mingw's g++ emulates thread_local in a DLL: each load takes a TLS slot that is never given
// back, and a thread's copy is freed only when the thread ends, so a host that loads and unloads
// the DLL again and again runs out of slots and memory. So the DLL keeps its texts with Windows'
// own means. It takes one TLS slot when it is loaded and gives it back when it is unloaded. A
// thread's first call takes its texts from the process heap; they go back when the thread ends
// (DLL_THREAD_DETACH) or when the DLL is unloaded (DLL_PROCESS_DETACH), whichever comes first.
// A list of every thread's texts lets the unload find those of threads that outlive it.
//
// The same for Windows CE, where the list's lock is a critical section: CE has no slim
// reader/writer locks. CE's DLL runs no C runtime, so nothing here needs one.
#include <windows.h>

#include "interface/thread_texts.h"

namespace tuneledger {
namespace {

struct HeldText {
  HeldText* previous;
  HeldText* next;
  ThreadTexts texts;
};

#if defined(_WIN32_WCE)
CRITICAL_SECTION ListLock;  // made at load, deleted at unload
void MakeLock() { InitializeCriticalSection(&ListLock); }
void DeleteLock() { DeleteCriticalSection(&ListLock); }
void Lock() { EnterCriticalSection(&ListLock); }
void Unlock() { LeaveCriticalSection(&ListLock); }
#else
SRWLOCK ListLock = SRWLOCK_INIT;
void MakeLock() {}
void DeleteLock() {}
void Lock() { AcquireSRWLockExclusive(&ListLock); }
void Unlock() { ReleaseSRWLockExclusive(&ListLock); }
#endif

DWORD Slot = TLS_OUT_OF_INDEXES;
HeldText* HeldTexts = nullptr;  // every thread's, newest first; guarded by ListLock

void Free(HeldText* held) { HeapFree(GetProcessHeap(), 0, held); }

// DLL_THREAD_DETACH: the ending thread's texts, if it called.
void ThreadEnds() {
  HeldText* held = static_cast<HeldText*>(TlsGetValue(Slot));
  if (held == nullptr) return;
  TlsSetValue(Slot, nullptr);
  Lock();
  if (held->previous) {
    held->previous->next = held->next;
  } else {
    HeldTexts = held->next;
  }
  if (held->next) held->next->previous = held->previous;
  Unlock();
  Free(held);
}

// DLL_PROCESS_DETACH through FreeLibrary: every thread's texts, the slot and the lock. (Also
// when the load failed, with no slot taken.)
void Unloads() {
  Lock();
  HeldText* held = HeldTexts;
  HeldTexts = nullptr;
  Unlock();
  while (held != nullptr) {
    HeldText* next = held->next;
    Free(held);
    held = next;
  }
  if (Slot != TLS_OUT_OF_INDEXES) TlsFree(Slot);
  Slot = TLS_OUT_OF_INDEXES;
  DeleteLock();
}

}  // namespace

ThreadTexts* CallingThreadTexts() {
  HeldText* held = static_cast<HeldText*>(TlsGetValue(Slot));
  if (held != nullptr) return &held->texts;
  held = static_cast<HeldText*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(HeldText)));
  if (held == nullptr) return nullptr;
  Lock();
  held->next = HeldTexts;
  if (HeldTexts) HeldTexts->previous = held;
  HeldTexts = held;
  Unlock();
  TlsSetValue(Slot, held);
  return &held->texts;
}

}  // namespace tuneledger

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      tuneledger::MakeLock();
      tuneledger::Slot = TlsAlloc();
      return tuneledger::Slot != TLS_OUT_OF_INDEXES;
    case DLL_THREAD_DETACH:
      tuneledger::ThreadEnds();
      break;
    case DLL_PROCESS_DETACH:
      // At process exit (reserved not null) other threads may have stopped anywhere, and
      // Windows takes all memory back anyway: leave everything as it is.
      if (reserved == nullptr) tuneledger::Unloads();
      break;
    default:
      break;
  }
  return TRUE;
}
