// The library as an application meets it: load the shared object, resolve the three names,
// call them with the shared cases.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "cases.h"
#include "test_support.h"
#include "tuneledger.h"

namespace {

using Pick = decltype(&FoodPicker);
using Search = decltype(&FoodPickerText);

class LoadedLibrary : public testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(TUNELEDGER_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    pick_ = reinterpret_cast<Pick>(dlsym(handle_, "FoodPicker"));
    text_ = reinterpret_cast<Search>(dlsym(handle_, "FoodPickerText"));
    filter_ = reinterpret_cast<Search>(dlsym(handle_, "FoodPickerFilter"));
    ASSERT_TRUE(pick_ && text_ && filter_);
  }
  void TearDown() override {
    if (handle_) dlclose(handle_);
  }

  void* handle_ = nullptr;
  Pick pick_ = nullptr;
  Search text_ = nullptr;
  Search filter_ = nullptr;
};

TEST_F(LoadedLibrary, AnswersEverySharedCase) {
  for (const cases::Case& c : cases::All) {
    std::u16string answer;
    switch (c.call) {
      case cases::Call::Pick: answer = Answer(pick_(c.number)); break;
      case cases::Call::Text: answer = Answer(text_(Caller(c.text), c.number)); break;
      case cases::Call::Filter: answer = Answer(filter_(Caller(c.text), c.number)); break;
    }
    EXPECT_EQ(answer, cases::Expected(c, [&](int i) { return Answer(pick_(i)); })) << c.number;
    EXPECT_TRUE(cases::EndsWith(answer, c.ending)) << c.number;
  }
}

}  // namespace
