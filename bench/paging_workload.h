// The paging workload every build is measured by (bench/builds_workload.txt): each query paged
// through all its hits from entry 0, one call a hit. Shared by the per-build driver
// (bench/builds_driver.cpp) and the stand-in Windows CE loader, which walks it through the CE
// DLL's calls.
#ifndef TUNELEDGER_BENCH_PAGING_WORKLOAD_H
#define TUNELEDGER_BENCH_PAGING_WORKLOAD_H

#include <string>
#include <vector>

#include "tests/kit/calls.h"

namespace bench {

struct Query {
  kit::Operation operation;
  std::u16string text;
};

// The queries of a workload file; exits with status 2, saying why, if it can't be read.
std::vector<Query> ReadWorkload(const char* file);

// Every hit of every query, from entry 0, by searching again from each hit's index plus one.
// Gives the number of hits per query.
std::vector<int> Walk(const kit::Calls& calls, const std::vector<Query>& queries);

int Sum(const std::vector<int>& hits);

}  // namespace bench

#endif
