// Query classes built to be hard, generated from the chart table by fixed rules (no randomness
// that a run could change): many repeated or distinct common terms with a failing term last,
// texts that pass the scan's quick test but never match, absent texts of 2 to 5 bytes whose
// every shorter piece occurs, searches from late starts, and paging through every hit of a
// common text. The benchmark times them beside its hand-picked classes (query_classes.h), and
// the instruction-count driver (callgrind_driver.cpp) counts them.
#ifndef TUNELEDGER_BENCH_HOSTILE_CLASSES_H
#define TUNELEDGER_BENCH_HOSTILE_CLASSES_H

#include <string>
#include <vector>

#include "bench/query_classes.h"

namespace tuneledger_bench {

struct HostileClass {
  std::string name;      // short and without spaces
  std::string stresses;  // one line
  Operation operation;   // TextSearch or TermFilter
  Walk walk;
  std::string query;  // 8-bit, plain ASCII
  std::vector<int> starts;
};

// The same list, in the same order, every time.
const std::vector<HostileClass>& HostileClasses();

}  // namespace tuneledger_bench

#endif
