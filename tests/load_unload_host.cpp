// TUNELEDGER.dll as a plugin host meets it: loaded, called and unloaded again and again.
//
//   tuneledger_load_unload_host [CYCLES [DLL]]     (10000 cycles, the DLL beside this program)
//
// Each cycle loads the DLL, calls all three functions from this thread and from eight threads
// started for the cycle, and unloads it once those eight have ended. A ninth thread calls too
// and lives on past the unload. Every thread checks its answers, and that each function's text
// stays its own until the thread calls that function again.
//
// After the last cycle the host must still get as many thread-local-storage slots as before the
// first, its committed memory must have grown by less than 1 MB, and the DLL must be gone from
// the process after each unload. Prints the figures; exits 0 only if all of that holds.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "tests/kit/calls.h"
#include "tuneledger.h"

namespace {

constexpr int CallingThreads = 8;
constexpr SIZE_T AllowedGrowth = 1024 * 1024;

// Two answers per function, so threads running side by side hold different texts.
struct Expected {
  std::int32_t index;
  const tuneledger_char* entry;
  const tuneledger_char* text;
  const tuneledger_char* hit;
  const tuneledger_char* filter;
  const tuneledger_char* filtered;
};

const Expected Answers[2] = {
    {4, TUNELEDGER_TEXT("Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961"),
     TUNELEDGER_TEXT("(X124)"), TUNELEDGER_TEXT("4-Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961"),
     TUNELEDGER_TEXT("love;(x;"), TUNELEDGER_TEXT("77-Lil Talon |1966 Loves|215|53|3|(x15)|1388610|82886431")},
    {11081, TUNELEDGER_TEXT("Mara Dunmore |40 Loves|1|0|167|0|46547|46547"),
     TUNELEDGER_TEXT("|46547|"), TUNELEDGER_TEXT("11081-Mara Dunmore |40 Loves|1|0|167|0|46547|46547"),
     TUNELEDGER_TEXT("(x124);"), TUNELEDGER_TEXT("4-Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961")},
};

bool Same(const tuneledger_char* answer, const tuneledger_char* expected) {
  return answer != nullptr && std::wcscmp(answer, expected) == 0;
}

// A few rounds of all three calls, alternating between the two sets of answers. Each text is
// checked again after the other two functions were called, and must be unchanged.
bool CallAll(const kit::Calls& calls, int first) {
  for (int round = 0; round < 4; ++round) {
    const Expected& e = Answers[(first + round) % 2];
    const tuneledger_char* entry = calls.lookup(e.index);
    const tuneledger_char* hit = calls.text_search(e.text, 0);
    const tuneledger_char* filtered = calls.term_filter(e.filter, 0);
    if (!Same(entry, e.entry) || !Same(hit, e.hit) || !Same(filtered, e.filtered)) return false;
  }
  return true;
}

struct Cycle {
  kit::Calls calls;
  HANDLE go;        // set once every calling thread is up, so they call at the same time
  HANDLE unloaded;  // set after FreeLibrary, for the thread that outlives it
  HANDLE called;    // set by that thread once it has called
};

DWORD WINAPI CallingThread(void* argument) {
  const Cycle& cycle = *static_cast<const Cycle*>(argument);
  WaitForSingleObject(cycle.go, INFINITE);
  static LONG next = 0;
  return CallAll(cycle.calls, static_cast<int>(InterlockedIncrement(&next) & 1)) ? 0 : 1;
}

// Calls, then waits for the DLL to be unloaded, then goes on with things of its own.
DWORD WINAPI OutlivingThread(void* argument) {
  const Cycle& cycle = *static_cast<const Cycle*>(argument);
  bool ok = CallAll(cycle.calls, 1);
  HANDLE unloaded = cycle.unloaded;
  SetEvent(cycle.called);
  WaitForSingleObject(unloaded, INFINITE);
  DWORD slot = TlsAlloc();
  void* block = HeapAlloc(GetProcessHeap(), 0, 4096);
  ok = ok && slot != TLS_OUT_OF_INDEXES && block != nullptr;
  if (block) HeapFree(GetProcessHeap(), 0, block);
  if (slot != TLS_OUT_OF_INDEXES) TlsFree(slot);
  return ok ? 0 : 1;
}

DWORD WINAPI IdleThread(void*) { return 0; }

// The process's own first use of threads commits memory that it keeps (wine: some 3.7 MB,
// whatever the DLL), so the host starts and ends as many threads once before it measures.
void WarmUp() {
  HANDLE threads[CallingThreads + 1];
  for (HANDLE& thread : threads) thread = CreateThread(nullptr, 64 * 1024, IdleThread, nullptr, 0, nullptr);
  for (HANDLE thread : threads) {
    if (!thread) continue;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
}

// How many TLS slots the process can still take: takes them all, then gives them back.
int FreeTlsSlots() {
  static DWORD taken[4096];
  int count = 0;
  while (count < 4096) {
    DWORD slot = TlsAlloc();
    if (slot == TLS_OUT_OF_INDEXES) break;
    taken[count++] = slot;
  }
  for (int i = 0; i < count; ++i) TlsFree(taken[i]);
  return count;
}

// Committed private memory of the process: its heaps, thread stacks and VirtualAlloc blocks.
SIZE_T CommittedPrivateBytes() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  SIZE_T total = 0;
  const char* address = static_cast<const char*>(system.lpMinimumApplicationAddress);
  MEMORY_BASIC_INFORMATION region;
  while (address < system.lpMaximumApplicationAddress &&
         VirtualQuery(address, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    address = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
  }
  return total;
}

double KiB(SIZE_T bytes) { return static_cast<double>(bytes) / 1024.0; }

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The pointer types of kit::Calls carry the header's calling convention (__stdcall on 32-bit x86).
template <typename Function>
Function Find(HMODULE library, kit::Operation operation) {
  FARPROC found = GetProcAddress(library, kit::ExportedNameOf(operation));
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// One cycle; a message saying what went wrong, or nullptr.
const char* RunCycle(const wchar_t* path) {
  HMODULE library = LoadLibraryW(path);
  if (!library) return "LoadLibraryW failed";
  Cycle cycle{};
  cycle.calls = {Find<kit::Calls::LookupFunction>(library, kit::Operation::Lookup),
                 Find<kit::Calls::SearchFunction>(library, kit::Operation::TextSearch),
                 Find<kit::Calls::SearchFunction>(library, kit::Operation::TermFilter)};
  if (!cycle.calls.Complete()) return "GetProcAddress failed";
  cycle.go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  cycle.unloaded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  cycle.called = CreateEventW(nullptr, TRUE, FALSE, nullptr);

  const char* failure = nullptr;
  HANDLE threads[CallingThreads];
  int started = 0;
  for (; started < CallingThreads; ++started) {
    threads[started] = CreateThread(nullptr, 64 * 1024, CallingThread, &cycle, 0, nullptr);
    if (!threads[started]) break;
  }
  HANDLE outliving = CreateThread(nullptr, 64 * 1024, OutlivingThread, &cycle, 0, nullptr);
  if (started < CallingThreads || !outliving) failure = "CreateThread failed";
  SetEvent(cycle.go);
  if (!CallAll(cycle.calls, 0)) failure = "a wrong answer on the loading thread";
  WaitForMultipleObjects(static_cast<DWORD>(started), threads, TRUE, INFINITE);
  for (int i = 0; i < started; ++i) {
    DWORD status = 1;
    GetExitCodeThread(threads[i], &status);
    if (status != 0) failure = "a wrong answer on a calling thread";
    CloseHandle(threads[i]);
  }
  if (outliving) WaitForSingleObject(cycle.called, INFINITE);

  FreeLibrary(library);
  if (GetModuleHandleW(path)) failure = "the DLL is still loaded after FreeLibrary";
  SetEvent(cycle.unloaded);
  if (outliving) {
    WaitForSingleObject(outliving, INFINITE);
    DWORD status = 1;
    GetExitCodeThread(outliving, &status);
    if (status != 0) failure = "the thread that outlived the DLL failed";
    CloseHandle(outliving);
  }
  CloseHandle(cycle.go);
  CloseHandle(cycle.unloaded);
  CloseHandle(cycle.called);
  return failure;
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 10000;
  wchar_t path[MAX_PATH];
  if (argc > 2) {
    MultiByteToWideChar(CP_ACP, 0, argv[2], -1, path, MAX_PATH);
  } else {
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    while (length > 0 && path[length - 1] != L'\\' && path[length - 1] != L'/') --length;
    path[length] = L'\0';
    std::wcsncat(path, L"TUNELEDGER.dll", MAX_PATH - length - 1);
  }
  std::printf("%d cycles of %ls: load, call from this thread and %d more, unload (1 thread outlives it)\n",
              cycles, path, CallingThreads + 1);

  WarmUp();
  const int slots_before = FreeTlsSlots();
  const SIZE_T committed_before = CommittedPrivateBytes();
  LARGE_INTEGER start, now;
  QueryPerformanceCounter(&start);
  std::printf("%8s %10s %16s %8s\n", "cycle", "TLS slots", "committed KiB", "seconds");
  std::printf("%8d %10d %16.1f %8.1f\n", 0, slots_before, KiB(committed_before), 0.0);
  std::fflush(stdout);

  const int report_every = cycles >= 10 ? cycles / 10 : 1;
  const char* failure = nullptr;
  int done = 0;
  while (done < cycles && !failure) {
    failure = RunCycle(path);
    ++done;
    if (done % report_every == 0 || done == 1 || failure) {
      QueryPerformanceCounter(&now);
      std::printf("%8d %10d %16.1f %8.1f\n", done, FreeTlsSlots(), KiB(CommittedPrivateBytes()),
                  Seconds(start, now));
      std::fflush(stdout);
    }
  }

  QueryPerformanceCounter(&now);
  const int slots_after = FreeTlsSlots();
  const SIZE_T committed_after = CommittedPrivateBytes();
  const double grown = static_cast<double>(committed_after) - static_cast<double>(committed_before);
  std::printf("cycles %d, %.1f s (%.2f ms a cycle)\n", done, Seconds(start, now),
              1000.0 * Seconds(start, now) / (done > 0 ? done : 1));
  std::printf("TLS slots free: before %d, after %d\n", slots_before, slots_after);
  std::printf("committed private memory: before %.1f KiB, after %.1f KiB, grown %.1f KiB (%.0f bytes a cycle)\n",
              KiB(committed_before), KiB(committed_after), grown / 1024.0, grown / (done > 0 ? done : 1));

  bool ok = true;
  if (failure) {
    std::printf("FAILED in cycle %d: %s\n", done, failure);
    ok = false;
  }
  if (slots_after < slots_before) {
    std::printf("FAILED: %d TLS slots lost\n", slots_before - slots_after);
    ok = false;
  }
  if (committed_after > committed_before + AllowedGrowth) {
    std::printf("FAILED: committed memory grew by 1 MiB or more\n");
    ok = false;
  }
  std::printf("%s\n", ok ? "passed" : "failed");
  return ok ? 0 : 1;
}
