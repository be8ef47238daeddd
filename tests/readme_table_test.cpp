// README's table "Behaviour on unusual input" is the list's: the rows of kit/cases.cpp, each
// with the cases that hold the library to it, in the same order and the same words.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/kit/cases.h"
#include "tests/kit/reference_model.h"

namespace {

// The table that starts at README's line `header`: that line and every table line after it.
std::string TableInReadme(const std::string& header) {
  std::ifstream readme(TUNELEDGER_README_FILE);
  EXPECT_TRUE(readme) << TUNELEDGER_README_FILE;
  std::string table;
  bool inside = false;
  for (std::string line; std::getline(readme, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    inside = inside ? !line.empty() && line[0] == '|' : line == header;
    if (inside) table += line + "\n";
  }
  return table;
}

TEST(Readme, UnusualInputTableIsTheListOfCases) {
  const kit::CaseList list(reference::Lookup);
  const std::string expected = kit::TableOf(list.Rows());
  const std::string header = expected.substr(0, expected.find('\n'));
  EXPECT_EQ(TableInReadme(header), expected)
      << "README.md's table \"Behaviour on unusual input\" should read, as tests/kit/cases.cpp lists it:\n"
      << expected;
}

}  // namespace
