// The one list of calls and the answers they must give, held by every host that tests the
// library: the tests in process (with the heap watched and on a small stack too), the host that
// loads the shared object and the Windows host that loads the DLL. The cases of unusual input
// carry the row of README's "Behaviour on unusual input" they stand for; a test checks that
// README shows exactly these rows.
#ifndef TUNELEDGER_TESTS_KIT_CASES_H
#define TUNELEDGER_TESTS_KIT_CASES_H

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/kit/calls.h"

namespace kit {

inline constexpr char16_t OutOfRange[] = u"Out of range";
inline constexpr char16_t NotFound[] = u"NOT FOUND!";

// One call and its answer: the entry `index` alone (Lookup), a search hit at `index` ("INDEX-"
// and the entry), or a fixed message. Where `ending` is given, the answer must end with it.
struct Case {
  Operation operation;
  std::u16string_view text;  // TextSearch and TermFilter only; a view without data is a null text
  std::int32_t number;       // the index, or the start
  int index;                 // the entry answered, or NoEntry for a message
  const char16_t* message;
  const char16_t* ending;
  const char* kind = nullptr;  // the README row's input, for unusual input

  // The text as a caller hands it over: null, or up to (and past) its first NUL.
  const char16_t* Text() const { return text.data(); }
};

// One row of README's table "Behaviour on unusual input", in its own markdown.
struct Row {
  const char* input;
  const char* example;
  const char* answer;
};

// Entry `index` as the library gives it out, for the answers and for cases built from entries.
using EntrySource = std::function<std::u16string(int index)>;

class CaseList {
 public:
  explicit CaseList(const EntrySource& entry);
  CaseList(const CaseList&) = delete;
  CaseList& operator=(const CaseList&) = delete;

  const std::vector<Case>& All() const { return cases_; }
  const std::vector<Row>& Rows() const { return rows_; }

 private:
  void Add(std::vector<Case> cases);
  void Add(const Row& row, std::vector<Case> cases);
  std::u16string_view Keep(std::u16string text);

  std::deque<std::u16string> texts_;  // the texts built here; a deque never moves them
  std::vector<Case> cases_;
  std::vector<Row> rows_;
};

// README's table, as the rows make it: the header, the separator and one line per row.
std::string TableOf(const std::vector<Row>& rows);

// The answer `c` must give.
std::u16string Expected(const Case& c, const EntrySource& entry);

// The case as a call: "TextSearch(u\"(x124)\", 5)", and its kind where it has one.
std::string Describe(const Case& c);

// "" when `got` is the answer `c` must give (and ends as it must); otherwise the case, the
// answer expected and the answer got.
std::string Judge(const Case& c, const std::u16string& got, const EntrySource& entry);
// "" when `got` equals `other`; otherwise the case, `other` (named `whose`) and `got`.
std::string Compare(const Case& c, const std::u16string& got, const std::u16string& other, const char* whose);

// Every listed case through `calls`, each answer judged (Judge) against the entries its own
// lookup gives: one problem per case, "" for a case answered right. For the hosts that load the
// library and have no other copy of the table.
std::vector<std::string> JudgeEveryCase(const Calls& calls);

// `units` UTF-16 units: `piece` over and over.
std::u16string Repeated(std::u16string_view piece, std::size_t units);

}  // namespace kit

#endif
