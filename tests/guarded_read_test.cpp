// The library reads a caller's text only as far as it needs. Each text here ends exactly at a
// page the process may not touch, without a terminator: a read one unit too far crashes.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "tests/kit/calls.h"
#include "tests/kit/cases.h"
#include "tuneledger.h"

namespace {

class GuardedText {
 public:
  GuardedText() {
    std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    size_ = Room + page;
    pages_ = static_cast<char*>(mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(pages_ + Room, page, PROT_NONE);
  }
  ~GuardedText() { munmap(pages_, size_); }

  // `units` copies of `unit`, ending right before the guard page, with no terminator.
  const tuneledger_char* Unterminated(std::size_t units, char16_t unit) {
    auto* end = reinterpret_cast<char16_t*>(pages_ + Room);
    std::fill(end - units, end, unit);
    return kit::ToLibrary(end - units);
  }

  // `text` and its terminator, the terminator the last unit before the guard page.
  const tuneledger_char* Terminated(const std::u16string& text) {
    auto* end = reinterpret_cast<char16_t*>(pages_ + Room);
    *(end - 1) = u'\0';
    std::copy(text.begin(), text.end(), end - 1 - text.size());
    return kit::ToLibrary(end - 1 - text.size());
  }

 private:
  static constexpr std::size_t Room = 64 * 1024;  // a multiple of any page size
  std::size_t size_;
  char* pages_;
};

TEST(GuardedRead, TextsLongerThanTheirFieldAreReadNoFurther) {
  GuardedText guard;
  EXPECT_EQ(kit::Read(FoodPickerText(guard.Unterminated(170, u'a'), 0)), kit::NotFound);
  EXPECT_EQ(kit::Read(FoodPickerFilter(guard.Unterminated(3000, u';'), 0)), kit::NotFound);
  EXPECT_EQ(kit::Read(FoodPickerText(guard.Unterminated(170, u'\xD83D'), 0)), kit::NotFound);
}

// Plain characters are read in aligned blocks, and the block that holds the terminator reaches
// past it: never past its page. Texts of every length up to a few blocks, each ending right
// before the guard page, answer as they do elsewhere.
TEST(GuardedRead, TextsEndingAtAPageAreReadNoFurther) {
  GuardedText guard;
  std::u16string text;
  for (std::size_t length = 0; length <= 40; ++length, text += u"love;"[length % 5]) {
    for (auto call : {&FoodPickerText, &FoodPickerFilter}) {
      EXPECT_EQ(kit::Read(call(guard.Terminated(text), 0)), kit::Read(call(kit::ToLibrary(text.c_str()), 0))) << length;
    }
  }
}

}  // namespace
