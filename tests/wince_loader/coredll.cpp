// The stand-ins, from the documentation of each CE function (Windows Embedded Compact 7):
//   TlsAlloc     the lowest free slot of the process's 64, or TLS_OUT_OF_INDEXES (0xFFFFFFFF);
//                a new slot reads null on every thread
//   TlsGetValue  the calling thread's value of a slot taken, null where never set
//   TlsSetValue  sets it; FALSE for a slot not taken
//   TlsFree      gives a slot back; FALSE for a slot not taken
//   GetProcessHeap, HeapAlloc (HEAP_ZERO_MEMORY: zeroed; null when there is no memory),
//   HeapFree     (FALSE for a block the heap never gave, or gave back already)
//   InitializeCriticalSection, EnterCriticalSection (recursive: the owner may enter again),
//   LeaveCriticalSection, DeleteCriticalSection (on one not held)
//   memchr, memcmp, memcpy, memmove, memset as the C library has them
// Everything runs with the calling conventions of 32-bit ARM, which Windows CE and Linux share
// for integer and pointer arguments.
#include "tests/wince_loader/coredll.h"

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace coredll {
namespace {

using BOOL = int;
using DWORD = std::uint32_t;
constexpr DWORD TlsOutOfIndexes = 0xFFFFFFFF;
constexpr DWORD HeapZeroMemory = 0x00000008;

std::mutex state_lock;  // guards everything below
std::string misuse;
void Misuse(const std::string& what) {
  if (misuse.find(what) == std::string::npos) misuse += (misuse.empty() ? "" : "; ") + what;
}

// TLS: slot i is pthread key keys[i] while taken[i].
pthread_key_t keys[TlsSlots];
bool taken[TlsSlots];

DWORD TlsAlloc() {
  std::lock_guard<std::mutex> hold(state_lock);
  for (int slot = 0; slot < TlsSlots; ++slot) {
    if (taken[slot]) continue;
    if (pthread_key_create(&keys[slot], nullptr) != 0) return TlsOutOfIndexes;
    taken[slot] = true;
    return static_cast<DWORD>(slot);
  }
  return TlsOutOfIndexes;
}

bool Taken(DWORD slot, const char* call) {
  std::lock_guard<std::mutex> hold(state_lock);
  if (slot < TlsSlots && taken[slot]) return true;
  Misuse(std::string(call) + " on a slot not taken");
  return false;
}

BOOL TlsFree(DWORD slot) {
  if (!Taken(slot, "TlsFree")) return 0;
  std::lock_guard<std::mutex> hold(state_lock);
  pthread_key_delete(keys[slot]);
  taken[slot] = false;
  return 1;
}

void* TlsGetValue(DWORD slot) { return Taken(slot, "TlsGetValue") ? pthread_getspecific(keys[slot]) : nullptr; }

BOOL TlsSetValue(DWORD slot, void* value) {
  return Taken(slot, "TlsSetValue") && pthread_setspecific(keys[slot], value) == 0;
}

// The process heap: blocks from malloc, each remembered until it is freed.
int process_heap;
std::set<void*> blocks;

void* GetProcessHeap() { return &process_heap; }

void* HeapAlloc(void* heap, DWORD flags, DWORD bytes) {
  if (heap != &process_heap) {
    std::lock_guard<std::mutex> hold(state_lock);
    Misuse("HeapAlloc on a heap that is not the process heap");
    return nullptr;
  }
  void* block = (flags & HeapZeroMemory) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (block == nullptr) return nullptr;
  std::lock_guard<std::mutex> hold(state_lock);
  blocks.insert(block);
  return block;
}

BOOL HeapFree(void* heap, DWORD, void* block) {
  std::lock_guard<std::mutex> hold(state_lock);
  if (heap != &process_heap) {
    Misuse("HeapFree on a heap that is not the process heap");
    return 0;
  }
  if (blocks.erase(block) == 0) {
    Misuse("HeapFree of a block the heap did not give out, or freed already");
    return 0;
  }
  std::free(block);
  return 1;
}

// Critical sections: CE's CRITICAL_SECTION is 20 bytes, so the caller's holds only a pointer to
// the mutex, made here.
struct Section {
  std::recursive_mutex mutex;
  std::atomic<int> depth{0};
};
std::map<void*, Section*> sections;  // by the caller's CRITICAL_SECTION

Section* Find(void* critical_section, const char* call) {
  std::lock_guard<std::mutex> hold(state_lock);
  auto found = sections.find(critical_section);
  if (found != sections.end()) return found->second;
  Misuse(std::string(call) + " on a critical section never initialized, or deleted");
  return nullptr;
}

void InitializeCriticalSection(void* critical_section) {
  std::lock_guard<std::mutex> hold(state_lock);
  if (sections.count(critical_section)) Misuse("InitializeCriticalSection twice without DeleteCriticalSection");
  sections[critical_section] = new Section;
  std::memcpy(critical_section, &sections[critical_section], sizeof(Section*));
}

void DeleteCriticalSection(void* critical_section) {
  Section* section = Find(critical_section, "DeleteCriticalSection");
  if (section == nullptr) return;
  std::lock_guard<std::mutex> hold(state_lock);
  if (section->depth != 0) Misuse("DeleteCriticalSection while it is held");
  sections.erase(critical_section);
  delete section;
}

void EnterCriticalSection(void* critical_section) {
  if (Section* section = Find(critical_section, "EnterCriticalSection")) {
    section->mutex.lock();
    ++section->depth;
  }
}

void LeaveCriticalSection(void* critical_section) {
  if (Section* section = Find(critical_section, "LeaveCriticalSection")) {
    if (section->depth == 0) {
      std::lock_guard<std::mutex> hold(state_lock);
      Misuse("LeaveCriticalSection of one not held");
      return;
    }
    --section->depth;
    section->mutex.unlock();
  }
}

template <typename Function>
void* Address(Function* function) {
  return reinterpret_cast<void*>(function);
}

}  // namespace

void* Function(const std::string& name) {
  static const std::map<std::string, void*> functions = {
      {"TlsAlloc", Address(&TlsAlloc)},
      {"TlsFree", Address(&TlsFree)},
      {"TlsGetValue", Address(&TlsGetValue)},
      {"TlsSetValue", Address(&TlsSetValue)},
      {"GetProcessHeap", Address(&GetProcessHeap)},
      {"HeapAlloc", Address(&HeapAlloc)},
      {"HeapFree", Address(&HeapFree)},
      {"InitializeCriticalSection", Address(&InitializeCriticalSection)},
      {"DeleteCriticalSection", Address(&DeleteCriticalSection)},
      {"EnterCriticalSection", Address(&EnterCriticalSection)},
      {"LeaveCriticalSection", Address(&LeaveCriticalSection)},
      {"memchr", Address(static_cast<void* (*)(void*, int, std::size_t)>(&std::memchr))},
      {"memcmp", Address(&std::memcmp)},
      {"memcpy", Address(&std::memcpy)},
      {"memmove", Address(&std::memmove)},
      {"memset", Address(&std::memset)},
  };
  auto found = functions.find(name);
  return found == functions.end() ? nullptr : found->second;
}

int HeldHeapBlocks() {
  std::lock_guard<std::mutex> hold(state_lock);
  return static_cast<int>(blocks.size());
}

int HeldTlsSlots() {
  std::lock_guard<std::mutex> hold(state_lock);
  int held = 0;
  for (bool slot : taken) held += slot ? 1 : 0;
  return held;
}

int HeldCriticalSections() {
  std::lock_guard<std::mutex> hold(state_lock);
  return static_cast<int>(sections.size());
}

std::string TakeMisuse() {
  std::lock_guard<std::mutex> hold(state_lock);
  std::string taken_misuse;
  taken_misuse.swap(misuse);
  return taken_misuse;
}

}  // namespace coredll
