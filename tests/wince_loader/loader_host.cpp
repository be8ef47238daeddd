// TUNELEDGER.dll for Windows CE, run on ARM Linux by the stand-in CE loader (pe_loader.h) under
// qemu-arm, as a CE application would use it.
//
//   tuneledger_wince_loader DLL [CYCLES]          (CYCLES: 1000 unless given)
//   tuneledger_wince_loader DLL --workload FILE WALKS
//
// First one load: the calls found by ordinal (1 to 3) and by name must be the same functions;
// the version resource must carry the header's version; every listed case of the kit runs
// through the calls found by ordinal, and a few texts and filters are paged through hit by hit,
// each answer held to the reference model's. Then CYCLES times: load, call from this thread and
// from eight more (each told to the DLL with DLL_THREAD_ATTACH and DLL_THREAD_DETACH, as CE
// does), while a ninth thread that called lives on past the unload. After every unload the DLL
// may hold no heap block, TLS slot or critical section, nor have misused any; no answer may be
// wrong. Prints the figures; exits 0 only if all of that holds.
//
// With --workload it only loads the DLL, pages the workload's queries (bench/builds_workload.txt)
// WALKS times through the calls found by ordinal, prints "hits N" and unloads: bench/builds.sh
// counts one walk's instructions under qemu-arm as the difference of two such runs.
#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bench/paging_workload.h"
#include "tests/kit/calls.h"
#include "tests/kit/cases.h"
#include "tests/kit/reference_model.h"
#include "tests/kit/text.h"
#include "tests/wince_loader/coredll.h"
#include "tests/wince_loader/pe_loader.h"
#include "tuneledger.h"

namespace {

constexpr int CallingThreads = 8;
constexpr std::size_t ThreadStack = 64 * 1024;  // what README promises every call runs on

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED: %s\n", what.c_str());
  }
}

// The process as CE's loader keeps it: the DLL while it is loaded, and the loader lock that
// every call of its entry point is made under.
struct Process {
  pe::Image image;
  std::mutex loader_lock;
  bool loaded = false;

  std::string Load(const std::string& path) {
    std::lock_guard<std::mutex> hold(loader_lock);
    std::string problem = image.Map(path);
    if (!problem.empty()) return problem;
    if (!image.CallEntry(pe::ProcessAttach)) {
      image.CallEntry(pe::ProcessDetach);
      image.Unmap();
      return "DllMain refused DLL_PROCESS_ATTACH";
    }
    loaded = true;
    return "";
  }
  void Unload() {
    std::lock_guard<std::mutex> hold(loader_lock);
    image.CallEntry(pe::ProcessDetach);  // FreeLibrary: reserved is null
    image.Unmap();
    loaded = false;
  }
  // What CE does in every thread it starts and ends, for each DLL loaded then.
  void ThreadStarts() {
    std::lock_guard<std::mutex> hold(loader_lock);
    if (loaded) image.CallEntry(pe::ThreadAttach);
  }
  void ThreadEnds() {
    std::lock_guard<std::mutex> hold(loader_lock);
    if (loaded) image.CallEntry(pe::ThreadDetach);
  }
};

// A thread on a 64 KiB stack that runs `body` between DLL_THREAD_ATTACH and DLL_THREAD_DETACH.
class Thread {
 public:
  Thread(Process& process, std::function<void()> body) : process_(process), body_(std::move(body)) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, ThreadStack);
    started_ = pthread_create(&thread_, &attributes, &Run, this) == 0;
    pthread_attr_destroy(&attributes);
  }
  ~Thread() { Join(); }
  bool Started() const { return started_; }
  void Join() {
    if (started_) pthread_join(thread_, nullptr);
    started_ = false;
  }

 private:
  static void* Run(void* argument) {
    Thread& self = *static_cast<Thread*>(argument);
    self.process_.ThreadStarts();
    self.body_();
    self.process_.ThreadEnds();
    return nullptr;
  }
  Process& process_;
  std::function<void()> body_;
  pthread_t thread_{};
  bool started_ = false;
};

// Two answers per function, from the reference model, so threads side by side hold different texts.
struct Expected {
  std::int32_t index;
  const char16_t* text;
  const char16_t* filter;
  std::u16string entry, hit, filtered;
};

std::vector<Expected> MakeExpected() {
  std::vector<Expected> all = {{4, u"(X124)", u"love;(x;", {}, {}, {}},
                               {TUNELEDGER_LAST_INDEX, u"|46547|", u"(x124);", {}, {}, {}}};
  for (Expected& e : all) {
    e.entry = reference::Lookup(e.index);
    e.hit = reference::TextSearch(e.text, 0);
    e.filtered = reference::TermFilter(e.filter, 0);
  }
  return all;
}

// A few rounds of all three calls; each text is read after the other two functions were called.
bool CallAll(const kit::Calls& calls, const std::vector<Expected>& expected, int first) {
  for (int round = 0; round < 4; ++round) {
    const Expected& e = expected[static_cast<std::size_t>(first + round) % expected.size()];
    const tuneledger_char* entry = calls.Lookup(e.index);
    const tuneledger_char* hit = calls.TextSearch(e.text, 0);
    const tuneledger_char* filtered = calls.TermFilter(e.filter, 0);
    if (!entry || !hit || !filtered) return false;
    if (kit::Read(entry) != e.entry || kit::Read(hit) != e.hit || kit::Read(filtered) != e.filtered) return false;
  }
  return true;
}

template <typename Function>
Function As(void* address) {
  return reinterpret_cast<Function>(address);
}

// The three calls by ordinal, checked against those by name.
kit::Calls Resolve(const pe::Image& image) {
  void* by_ordinal[3];
  for (kit::Operation operation : kit::Operations) {
    const int i = static_cast<int>(operation);
    by_ordinal[i] = image.ByOrdinal(static_cast<std::uint16_t>(i + 1));
    void* by_name = image.ByName(kit::ExportedNameOf(operation));
    const std::string what = std::string(kit::ExportedNameOf(operation)) + " @" + std::to_string(i + 1);
    Check(by_ordinal[i] != nullptr, what + ": found by ordinal");
    Check(by_ordinal[i] == by_name, what + ": the same function by name");
  }
  return {As<kit::Calls::LookupFunction>(by_ordinal[0]), As<kit::Calls::SearchFunction>(by_ordinal[1]),
          As<kit::Calls::SearchFunction>(by_ordinal[2])};
}

void CheckVersion(const pe::Image& image) {
  pe::FixedVersion version{};
  Check(image.Version(version), "a version resource");
  const std::uint32_t high = TUNELEDGER_VERSION_MAJOR << 16 | TUNELEDGER_VERSION_MINOR;
  const std::uint32_t low = TUNELEDGER_VERSION_PATCH << 16 | TUNELEDGER_VERSION_TWEAK;
  std::printf("version resource: FILEVERSION %u,%u,%u,%u  PRODUCTVERSION %u,%u,%u,%u\n", version.file_high >> 16,
              version.file_high & 0xFFFF, version.file_low >> 16, version.file_low & 0xFFFF, version.product_high >> 16,
              version.product_high & 0xFFFF, version.product_low >> 16, version.product_low & 0xFFFF);
  Check(version.file_high == high && version.file_low == low, "FILEVERSION is the header's version");
  Check(version.product_high == high && version.product_low == low, "PRODUCTVERSION is the header's version");
}

// Every hit of each text, page by page (a search from the last hit plus one), as the reference
// model pages. Returns the pages compared.
int PageThrough(const kit::Calls& calls) {
  struct Paged {
    kit::Operation operation;
    const char16_t* text;
  };
  const Paged texts[] = {
      {kit::Operation::TextSearch, u"night"}, {kit::Operation::TextSearch, u"(X1"},
      {kit::Operation::TextSearch, u"|1|0|"}, {kit::Operation::TextSearch, u"\xD83D"},
      {kit::Operation::TermFilter, u"love;(x;"}, {kit::Operation::TermFilter, u"ME;|2;"},
  };
  int pages = 0;
  for (const Paged& paged : texts) {
    std::int32_t start = 0;
    for (;;) {
      const std::u16string got = kit::Answer(calls, paged.operation, paged.text, start);
      const std::u16string expected = reference::Answer(paged.operation, paged.text, start);
      ++pages;
      if (got != expected) {
        Check(false, std::string(kit::NameOf(paged.operation)) + "(" + kit::Printable(paged.text) + ", " +
                         std::to_string(start) + "): got " + kit::Printable(got) + ", expected " +
                         kit::Printable(expected));
        break;
      }
      const int hit = kit::HitIndex(got);
      if (hit == kit::NoEntry) break;
      start = hit + 1;
    }
  }
  return pages;
}

// Nothing of the DLL's may be held once it is unloaded, and it may have misused nothing.
bool LeftNothing(const std::string& when) {
  const int blocks = coredll::HeldHeapBlocks();
  const int slots = coredll::HeldTlsSlots();
  const int sections = coredll::HeldCriticalSections();
  const std::string misuse = coredll::TakeMisuse();
  Check(blocks == 0, when + ": no heap block held (" + std::to_string(blocks) + ")");
  Check(slots == 0, when + ": no TLS slot held (" + std::to_string(slots) + ")");
  Check(sections == 0, when + ": no critical section held (" + std::to_string(sections) + ")");
  Check(misuse.empty(), when + ": no misuse of COREDLL.dll's functions (" + misuse + ")");
  return blocks == 0 && slots == 0 && sections == 0 && misuse.empty();
}

void FirstLoad(Process& process, const std::string& path) {
  const std::string problem = process.Load(path);
  Check(problem.empty(), "load " + path + ": " + problem);
  if (!problem.empty()) return;
  const pe::Image& image = process.image;
  std::printf("loaded at 0x%08lx (preferred 0x%08x): %d HIGHLOW and %d THUMB_MOV32 relocations applied\n",
              static_cast<unsigned long>(image.Base()), image.PreferredBase(), image.HighLowRelocations(),
              image.ThumbMov32Relocations());
  std::string imports;
  for (const std::string& name : image.Imports()) imports += " " + name;
  std::printf("bound from COREDLL.dll:%s\n", imports.c_str());
  Check(image.Base() != image.PreferredBase(), "loaded away from the preferred base");

  const kit::Calls calls = Resolve(image);
  CheckVersion(image);
  if (calls.Complete()) {
    const std::vector<std::string> problems = kit::JudgeEveryCase(calls);
    for (const std::string& case_problem : problems) Check(case_problem.empty(), "listed case: " + case_problem);
    std::printf("listed cases, calls found by ordinal: %d run\n", static_cast<int>(problems.size()));
    std::printf("paging against the reference model: %d pages\n", PageThrough(calls));
    std::printf("heap blocks held by the DLL with one thread's texts: %d\n", coredll::HeldHeapBlocks());
    Check(coredll::HeldHeapBlocks() == 1, "one heap block for the one calling thread's texts");
  }
  process.Unload();
  LeftNothing("after the first unload");
}

// The three calls at ordinals 1 to 3, as a CE application finds them.
kit::Calls CallsByOrdinal(const pe::Image& image) {
  return {As<kit::Calls::LookupFunction>(image.ByOrdinal(1)), As<kit::Calls::SearchFunction>(image.ByOrdinal(2)),
          As<kit::Calls::SearchFunction>(image.ByOrdinal(3))};
}

// One cycle; "" or what went wrong.
std::string RunCycle(Process& process, const std::string& path, const std::vector<Expected>& expected) {
  const std::string problem = process.Load(path);
  if (!problem.empty()) return "load: " + problem;
  const kit::Calls calls = CallsByOrdinal(process.image);
  if (!calls.Complete()) return "an ordinal not found";

  std::atomic<int> wrong{0};
  std::mutex lock;
  std::condition_variable changed;
  bool unloaded = false;
  bool outliving_called = false;
  Thread outliving(process, [&] {
    if (!CallAll(calls, expected, 1)) ++wrong;
    std::unique_lock<std::mutex> hold(lock);
    outliving_called = true;
    changed.notify_all();
    changed.wait(hold, [&] { return unloaded; });
  });
  std::vector<std::unique_ptr<Thread>> threads;
  for (int i = 0; i < CallingThreads; ++i) {
    threads.push_back(std::make_unique<Thread>(process, [&, i] {
      if (!CallAll(calls, expected, i)) ++wrong;
    }));
  }
  if (!CallAll(calls, expected, 0)) ++wrong;
  bool started = outliving.Started();
  for (auto& thread : threads) {
    started = started && thread->Started();
    thread->Join();
  }
  {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return outliving_called || !outliving.Started(); });
  }
  // This thread's texts and the outliving thread's; the eight gave theirs back as they ended.
  const int held_before_unload = coredll::HeldHeapBlocks();
  process.Unload();
  {
    std::lock_guard<std::mutex> hold(lock);
    unloaded = true;
    changed.notify_all();
  }
  outliving.Join();
  if (!started) return "a thread did not start";
  if (wrong != 0) return std::to_string(wrong.load()) + " threads got a wrong answer";
  if (held_before_unload != 2) return std::to_string(held_before_unload) + " heap blocks held before the unload, not 2";
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s TUNELEDGER.dll [CYCLES]\n       %s TUNELEDGER.dll --workload FILE WALKS\n", argv[0], argv[0]);
    return 2;
  }
  const std::string path = argv[1];
  if (argc == 5 && std::string(argv[2]) == "--workload") {
    const std::vector<bench::Query> queries = bench::ReadWorkload(argv[3]);
    Process process;
    const std::string problem = process.Load(path);
    if (!problem.empty()) {
      std::fprintf(stderr, "load %s: %s\n", path.c_str(), problem.c_str());
      return 1;
    }
    const kit::Calls calls = CallsByOrdinal(process.image);
    int hits = 0;
    for (int walk = std::atoi(argv[4]); walk > 0; --walk) hits = bench::Sum(bench::Walk(calls, queries));
    process.Unload();
    std::printf("hits %d\n", hits);
    return 0;
  }
  const int cycles = argc > 2 ? std::atoi(argv[2]) : 1000;
  Process process;
  FirstLoad(process, path);

  const std::vector<Expected> expected = MakeExpected();
  std::printf("%d cycles: load, call from this thread and %d more, unload (1 thread outlives it)\n", cycles,
              CallingThreads + 1);
  int done = 0;
  int clean = 0;
  for (; done < cycles; ++done) {
    const std::string problem = RunCycle(process, path, expected);
    Check(problem.empty(), "cycle " + std::to_string(done + 1) + ": " + problem);
    const bool left_nothing = LeftNothing("after unload " + std::to_string(done + 1));
    if (!problem.empty() || !left_nothing) break;
    ++clean;
  }
  std::printf("cycles: %d run, %d with every answer right and nothing held after the unload\n", done + (clean < cycles ? 1 : 0), clean);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
