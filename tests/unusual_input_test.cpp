// Hostile input: each kind of unusual input answers as the table in unusual_inputs.h (and
// README) says, and as the reference model does.
#include <gtest/gtest.h>

#include <string>

#include "cases.h"
#include "reference_model.h"
#include "test_support.h"
#include "unusual_inputs.h"

namespace {

std::u16string Model(const cases::Case& c) {
  switch (c.call) {
    case cases::Call::Pick: return reference::Pick(c.number);
    case cases::Call::Text: return reference::SearchText(c.text, c.number);
    case cases::Call::Filter: return reference::Filter(c.text, c.number);
  }
  return {};
}

TEST(UnusualInput, EachKindAnswersAsTheTableSays) {
  for (const unusual::Input& input : unusual::All()) {
    SCOPED_TRACE(testing::Message() << input.kind << " (start or index " << input.call.number << ")");
    std::u16string answer = Answer(unusual::Make(input.call));
    EXPECT_EQ(answer, cases::Expected(input.call, reference::Pick));
    EXPECT_EQ(answer, Model(input.call));
  }
}

}  // namespace
