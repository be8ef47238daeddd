// Pages the fixed workload of bench/builds_workload.txt with every scan kernel this build has and
// this processor runs, in one process, and with a built shared library or DLL where one is named:
// bench/builds.sh runs it in each native build (x86-64 and 32-bit x86 Linux under callgrind, the
// Windows DLLs under wine) and puts the figures side by side.
//
//   tuneledger_builds WORKLOAD [--library FILE] [--runs N]
//   tuneledger_builds WORKLOAD [--library FILE] --only KERNEL --walks N
//
// Prints one line per kernel: "kernel NAME hits N ms BEST" (the fastest of N walks through the
// whole workload, wall-clock), the shared library's as "kernel library:NAME", where NAME is the
// kernel it chooses itself. Under callgrind each kernel's last walk is dumped on its own, named
// "walk NAME" (bench/builds.sh reads the dumps). Stops with status 1 when a kernel's hits differ
// from the portable kernel's.
//
// With --only, it walks N times with that kernel alone ("library": the shared library), and
// does nothing else: an instruction counter run with N = 2 and N = 1 gives one warm walk's
// instructions as the difference (bench/builds.sh, under qemu).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#if defined(__has_include)
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define TUNELEDGER_CALLGRIND 1
#endif
#endif

#include "bench/paging_workload.h"
#include "search/kernels/find_folded.h"
#include "tests/kit/calls.h"
#include "tests/kit/text.h"

namespace {

using bench::Query;
using bench::Sum;
using bench::Walk;

// The fastest of `runs` walks, in milliseconds; the last walk is dumped on its own under
// callgrind.
double Time(const kit::Calls& calls, const std::vector<Query>& queries, int runs, const std::string& name) {
  double best = 1e300;
  for (int run = 0; run < runs; ++run) {
#if defined(TUNELEDGER_CALLGRIND)
    if (run == runs - 1) CALLGRIND_ZERO_STATS;
#endif
    auto start = std::chrono::steady_clock::now();
    Walk(calls, queries);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
#if defined(TUNELEDGER_CALLGRIND)
    if (run == runs - 1) CALLGRIND_DUMP_STATS_AT(("walk " + name).c_str());
#endif
    if (ms < best) best = ms;
  }
  return best;
}

// The calls of a shared library or DLL.
kit::Calls LoadLibraryCalls(const char* file) {
  kit::Calls calls;
#if defined(_WIN32)
  HMODULE library = LoadLibraryA(file);
  auto find = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(library, name)); };
#else
  void* library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  auto find = [&](const char* name) { return dlsym(library, name); };
#endif
  if (!library) {
    std::fprintf(stderr, "can't load %s\n", file);
    std::exit(2);
  }
  calls.lookup = reinterpret_cast<kit::Calls::LookupFunction>(find("FoodPicker"));
  calls.text_search = reinterpret_cast<kit::Calls::SearchFunction>(find("FoodPickerText"));
  calls.term_filter = reinterpret_cast<kit::Calls::SearchFunction>(find("FoodPickerFilter"));
  if (!calls.Complete()) {
    std::fprintf(stderr, "%s lacks the three calls\n", file);
    std::exit(2);
  }
  return calls;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s WORKLOAD [--library FILE] [--runs N]\n", argv[0]);
    return 2;
  }
  const std::vector<Query> queries = bench::ReadWorkload(argv[1]);
  const char* library = nullptr;
  const char* only = nullptr;
  int runs = 7;
  int walks = 1;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--library") == 0) library = argv[i + 1];
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
    if (std::strcmp(argv[i], "--walks") == 0) walks = std::atoi(argv[i + 1]);
  }

  std::size_t count = 0;
  const tuneledger::FindFoldedVariant* variants = tuneledger::FindFoldedVariants(&count);
  const kit::Calls in_process = kit::InProcess();
  if (only) {
    kit::Calls calls = in_process;
    if (std::strcmp(only, "library") == 0 && library) {
      calls = LoadLibraryCalls(library);
    } else {
      std::size_t v = 0;
      while (v < count && std::strcmp(variants[v].name, only) != 0) ++v;
      if (v == count) {
        std::fprintf(stderr, "no kernel %s here\n", only);
        return 2;
      }
      tuneledger::UseFindFolded(variants[v].find);
    }
    int hits = 0;
    for (int walk = 0; walk < walks; ++walk) hits = Sum(Walk(calls, queries));
    std::printf("kernel %s hits %d\n", only, hits);
    return 0;
  }
  std::vector<int> expected;
  for (std::size_t v = 0; v < count; ++v) {
    tuneledger::UseFindFolded(variants[v].find);
    std::vector<int> hits = Walk(in_process, queries);
    if (v == 0) expected = hits;
    if (hits != expected) {
      std::fprintf(stderr, "the %s kernel's hits differ from the portable kernel's\n", variants[v].name);
      return 1;
    }
    double ms = Time(in_process, queries, runs, variants[v].name);
    std::printf("kernel %s hits %d ms %.3f\n", variants[v].name, Sum(hits), ms);
  }
  tuneledger::UseFindFolded(nullptr);

  if (library) {
    // The library holds its own copy of the kernels, and chooses among them as this process does
    // on the same processor: the last this processor runs.
    const kit::Calls calls = LoadLibraryCalls(library);
    std::vector<int> hits = Walk(calls, queries);
    if (hits != expected) {
      std::fprintf(stderr, "%s's hits differ from the portable kernel's\n", library);
      return 1;
    }
    double ms = Time(calls, queries, runs, "library");
    std::printf("kernel library:%s hits %d ms %.3f\n", variants[count - 1].name, Sum(hits), ms);
  }
  std::fflush(stdout);
  return 0;
}
