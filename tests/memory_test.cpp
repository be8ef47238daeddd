// Memory discipline: once a thread has called, no call touches the heap; no call's stack use
// grows with its text, and every call fits a 64 KiB thread stack; in a build that guards the
// result texts, a write past one stops the process.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "interface/capacities.h"
#include "tests/kit/calls.h"
#include "tests/kit/cases.h"
#include "tests/kit/reference_model.h"
#include "tuneledger.h"

namespace {

std::atomic<long> heap_calls{0};
thread_local bool watching = false;

void Noticed() {
  if (watching) heap_calls.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

// Every allocation passes through here. Sanitizers own malloc and report each allocation to a
// hook; otherwise this program puts its own malloc in front of glibc's.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TUNELEDGER_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TUNELEDGER_SANITIZED_HEAP 1
#endif
#endif

#if defined(TUNELEDGER_SANITIZED_HEAP)
// From the sanitizers' <sanitizer/allocator_interface.h>, which gcc doesn't install.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*on_malloc)(const volatile void*, std::size_t),
                                                         void (*on_free)(const volatile void*));
namespace {
void OnMalloc(const volatile void*, std::size_t) { Noticed(); }
void OnFree(const volatile void*) {}
const int hooks_installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
}  // namespace
#elif defined(__GLIBC__)
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);

void* malloc(std::size_t size) noexcept {
  Noticed();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
  Noticed();
  return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) noexcept {
  Noticed();
  return __libc_realloc(block, size);
}
void* memalign(std::size_t alignment, std::size_t size) noexcept {
  Noticed();
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
  Noticed();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** block, std::size_t alignment, std::size_t size) noexcept {
  Noticed();
  *block = __libc_memalign(alignment, size);
  return *block ? 0 : ENOMEM;
}
}  // extern "C"
#else
#define TUNELEDGER_HEAP_UNWATCHED 1
#endif

namespace {

// Heap calls made by `work` on this thread.
template <typename Work>
long HeapCallsDuring(Work work) {
  long before = heap_calls.load();
  watching = true;
  work();
  watching = false;
  return heap_calls.load() - before;
}

// Every listed case, built once, before any heap is watched.
const kit::CaseList& Listed() {
  static const kit::CaseList list(reference::Lookup);
  return list;
}

const tuneledger_char* Call(const kit::Case& c) { return kit::Call(kit::InProcess(), c.operation, c.Text(), c.number); }

void CallEachOperation() {
  FoodPicker(0);
  FoodPickerText(kit::ToLibrary(u"(x124)"), 0);
  FoodPickerFilter(kit::ToLibrary(u"(x124);"), 0);
}

void CallEveryListedCase() {
  for (const kit::Case& c : Listed().All()) Call(c);
}

TEST(Memory, NoHeapDuringACallOnceTheThreadHasCalled) {
#ifdef TUNELEDGER_HEAP_UNWATCHED
  GTEST_SKIP() << "no way to watch the heap here";
#endif
  Listed();  // built before watching
  void* (*volatile allocate)(std::size_t) = std::malloc;
  ASSERT_EQ(HeapCallsDuring([&] { std::free(allocate(16)); }), 1) << "the heap is not watched";

  long on_main = 0, on_new_thread = 0;
  CallEachOperation();
  on_main = HeapCallsDuring(CallEveryListedCase);
  std::thread([&] {
    CallEachOperation();
    on_new_thread = HeapCallsDuring(CallEveryListedCase);
  }).join();
  EXPECT_EQ(on_main, 0);
  EXPECT_EQ(on_new_thread, 0);
}

// A thread stack of 64 KiB with an inaccessible page below it, painted so that afterwards the
// deepest byte written shows how much of it was used (glibc also keeps the thread's TLS, with
// the result texts, at its top).
class SmallStack {
 public:
  static constexpr std::size_t Size = 64 * 1024;

  SmallStack() : page_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
    memory_ = static_cast<unsigned char*>(
        mmap(nullptr, page_ + Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0));
    mprotect(memory_, page_, PROT_NONE);
    std::memset(memory_ + page_, Paint, Size);
  }
  ~SmallStack() { munmap(memory_, page_ + Size); }

  // Runs `work` on a new thread with this stack; a deeper call runs into the guard page and
  // crashes the test.
  template <typename Work>
  void Run(Work work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstack(&attributes, memory_ + page_, Size);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, &Start<Work>, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
  }

  std::size_t Used() const {
    std::size_t untouched = 0;
    while (untouched < Size && memory_[page_ + untouched] == Paint) ++untouched;
    return Size - untouched;
  }

 private:
  static constexpr unsigned char Paint = 0xA5;

  template <typename Work>
  static void* Start(void* work) {
    (*static_cast<Work*>(work))();
    return nullptr;
  }

  std::size_t page_;
  unsigned char* memory_;
};

TEST(Memory, EveryListedCaseAnswersOnA64KiBStack) {
  std::vector<std::u16string> expected, answers;
  for (const kit::Case& c : Listed().All()) expected.push_back(kit::Read(Call(c)));
  SmallStack stack;
  stack.Run([&] {
    for (const kit::Case& c : Listed().All()) answers.push_back(kit::Read(Call(c)));
  });
  EXPECT_EQ(answers, expected);
}

// Stack used by one call on a fresh small-stack thread.
template <typename Call>
std::size_t StackUsedBy(Call call) {
  SmallStack stack;
  stack.Run(call);
  return stack.Used();
}

TEST(Memory, StackUseDoesNotGrowWithTheText) {
  const std::size_t sizes[] = {1 << 10, 64 << 10, 1 << 20, 16 << 20};  // bytes of UTF-16
  for (kit::Operation operation : {kit::Operation::TextSearch, kit::Operation::TermFilter}) {
    std::vector<std::size_t> used;
    for (std::size_t bytes : sizes) {
      std::u16string text = kit::Repeated(operation == kit::Operation::TermFilter ? u"love;" : u"love ", bytes / 2);
      used.push_back(StackUsedBy([&] { kit::Call(kit::InProcess(), operation, text.c_str(), 0); }));
    }
    std::cout << kit::ExportedNameOf(operation) << " stack bytes for 1 KB, 64 KB, 1 MB, 16 MB:";
    for (std::size_t bytes : used) std::cout << ' ' << bytes;
    std::cout << " (of " << SmallStack::Size << ", TLS included)\n";
    for (std::size_t i = 1; i < used.size(); ++i) EXPECT_LE(used[i], used[0]) << "text of " << sizes[i] << " bytes";
  }
}

#ifdef TUNELEDGER_GUARD_RESULTS
TEST(MemoryDeathTest, AWritePastEitherEndOfAResultTextStopsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // An answer is its thread's result text for that call, from its first unit.
  auto result_text = [](const tuneledger_char* answer) { return const_cast<tuneledger_char*>(answer); };
  EXPECT_DEATH(
      {
        result_text(FoodPickerText(u"", 0))[tuneledger::ResultCapacity] = u'x';
        FoodPicker(0);
      },
      "overrun");
  EXPECT_DEATH(
      {
        result_text(FoodPickerFilter(u"", 0))[-1] = u'x';
        FoodPicker(0);
      },
      "overrun");
  // Writing within the capacity is fine.
  result_text(FoodPickerText(u"", 0))[tuneledger::ResultCapacity - 1] = u'x';
  EXPECT_EQ(kit::Read(FoodPicker(3)), reference::Lookup(3));
}
#endif

}  // namespace
