// The library as an application meets it: load the shared object, resolve the three names,
// call them with the listed cases.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "tests/kit/calls.h"
#include "tests/kit/cases.h"

namespace {

class LoadedLibrary : public testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(TUNELEDGER_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    calls_.lookup = Resolve<kit::Calls::LookupFunction>(kit::Operation::Lookup);
    calls_.text_search = Resolve<kit::Calls::SearchFunction>(kit::Operation::TextSearch);
    calls_.term_filter = Resolve<kit::Calls::SearchFunction>(kit::Operation::TermFilter);
    ASSERT_TRUE(calls_.Complete());
  }
  void TearDown() override {
    if (handle_) dlclose(handle_);
  }

  template <typename Function>
  Function Resolve(kit::Operation operation) {
    return reinterpret_cast<Function>(dlsym(handle_, kit::ExportedNameOf(operation)));
  }

  void* handle_ = nullptr;
  kit::Calls calls_;
};

TEST_F(LoadedLibrary, AnswersEveryListedCase) {
  for (const std::string& problem : kit::JudgeEveryCase(calls_)) EXPECT_TRUE(problem.empty()) << problem;
}

}  // namespace
