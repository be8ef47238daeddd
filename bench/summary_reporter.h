// Collects every benchmark's median and prints them side by side, one line per query class and
// start, with the ratios that say how the library stands against its peers.
#ifndef TUNELEDGER_BENCH_SUMMARY_REPORTER_H
#define TUNELEDGER_BENCH_SUMMARY_REPORTER_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tuneledger_bench {

// One line of the summary: the names under which its figures were registered.
struct SummaryRow {
  std::string query_class;
  std::string stresses;
  int start;
  std::string library;
  std::string literal;
  std::vector<std::string> sqlite_ways;  // SQLite's ways of answering; the fastest one counts
  std::string floor;
};

// The console's usual report, cut down to one line per benchmark (its median), while keeping
// every median for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  SummaryReporter();
  void ReportRuns(const std::vector<Run>& runs) override;

  void PrintSummary(const std::vector<SummaryRow>& rows, const std::string& processor) const;

 private:
  void PrintTermCost(const std::vector<SummaryRow>& rows) const;

  // Microseconds, or a negative number when the benchmark did not run.
  double MedianMicros(const std::string& name) const;

  std::map<std::string, double> medians_;
};

}  // namespace tuneledger_bench

#endif
