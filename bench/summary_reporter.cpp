#include "bench/summary_reporter.h"

#include <unistd.h>

#include <cstdio>

namespace tuneledger_bench {
namespace {

// Colours only where a person reads them, not in CTest's log.
benchmark::ConsoleReporter::OutputOptions ConsoleOptions() {
  return isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                               : benchmark::ConsoleReporter::OO_Tabular;
}

bool IsMedian(const benchmark::BenchmarkReporter::Run& run) {
  return run.run_type == benchmark::BenchmarkReporter::Run::RT_Aggregate && run.aggregate_name == "median";
}

// A run without repetitions has no median; its one measurement stands in.
bool IsSoleMeasurement(const benchmark::BenchmarkReporter::Run& run) {
  return run.run_type == benchmark::BenchmarkReporter::Run::RT_Iteration && run.repetitions <= 1;
}

// CPU time, not wall time: the figures should not depend on how much of the processor other
// work takes meanwhile (every peer runs on the calling thread alone).
double Micros(const benchmark::BenchmarkReporter::Run& run) {
  return run.GetAdjustedCPUTime() * 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
}

std::string Figure(double micros) {
  char text[32];
  if (micros < 0) return "-";
  std::snprintf(text, sizeof text, micros < 10 ? "%.3f" : micros < 1000 ? "%.1f" : "%.0f", micros);
  return text;
}

std::string Ratio(double numerator, double denominator) {
  char text[32];
  if (numerator < 0 || denominator <= 0) return "-";
  const double ratio = numerator / denominator;
  const char* format = ratio < 0.1 ? "%.3fx" : ratio < 10 ? "%.2fx" : ratio < 100 ? "%.1fx" : "%.0fx";
  std::snprintf(text, sizeof text, format, ratio);
  return text;
}

void PrintLegend() {
  std::printf(
      "Medians of CPU time in microseconds per query (paging: per walk through every hit), one run.\n"
      "library  this library through its exported calls\n"
      "literal  per entry: copy, fold A-Z, find each term (the baseline)\n"
      "SQLite   the faster of FTS5 trigram MATCH (fts5) and LIKE on a plain table (like);\n"
      "         terms under 3 bytes are only ever asked with LIKE; FoodPicker reads by rowid\n"
      "floor    reading once, with memchr, the bytes from the start entry to the answer\n"
      "         (or to the end of the table when there is none)\n\n");
}

void PrintWhatEachStresses(const std::vector<const SummaryRow*>& printed) {
  std::printf("\n");
  for (std::size_t i = 0; i < printed.size(); ++i) {
    if (i > 0 && printed[i]->query_class == printed[i - 1]->query_class) continue;
    std::printf("%-18s %s\n", printed[i]->query_class.c_str(), printed[i]->stresses.c_str());
  }
}

}  // namespace

SummaryReporter::SummaryReporter() : benchmark::ConsoleReporter(ConsoleOptions()) {}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
  std::vector<Run> shown;
  for (const Run& run : runs) {
    if (run.error_occurred) {
      shown.push_back(run);
    } else if (IsMedian(run) || IsSoleMeasurement(run)) {
      medians_[run.run_name.function_name] = Micros(run);
      shown.push_back(run);
    }
  }
  if (!shown.empty()) benchmark::ConsoleReporter::ReportRuns(shown);
}

double SummaryReporter::MedianMicros(const std::string& name) const {
  const auto found = medians_.find(name);
  return found == medians_.end() ? -1.0 : found->second;
}

void SummaryReporter::PrintSummary(const std::vector<SummaryRow>& rows, const std::string& processor) const {
  std::printf("\nProcessor: %s\n", processor.c_str());
  PrintLegend();
  std::printf("%-18s %5s %9s %9s %9s %-5s %9s %9s %9s %9s\n", "query class", "start", "library", "literal",
              "SQLite", "via", "floor", "lit/lib", "SQL/lib", "lib/floor");
  std::vector<const SummaryRow*> printed;
  for (const SummaryRow& row : rows) {
    const double library = MedianMicros(row.library);
    const double literal = MedianMicros(row.literal);
    const double floor = MedianMicros(row.floor);
    double sqlite = -1.0;
    std::string via = "-";
    for (const std::string& way : row.sqlite_ways) {
      const double micros = MedianMicros(way);
      if (micros >= 0 && (sqlite < 0 || micros < sqlite)) {
        sqlite = micros;
        via = way.substr(way.rfind('_') + 1);
      }
    }
    if (library < 0 && literal < 0 && sqlite < 0 && floor < 0) continue;  // filtered out
    printed.push_back(&row);
    std::printf("%-18s %5d %9s %9s %9s %-5s %9s %9s %9s %9s\n", row.query_class.c_str(), row.start,
                Figure(library).c_str(), Figure(literal).c_str(), Figure(sqlite).c_str(), via.c_str(),
                Figure(floor).c_str(), Ratio(literal, library).c_str(), Ratio(sqlite, library).c_str(),
                Ratio(library, floor).c_str());
  }
  PrintTermCost(rows);
  PrintWhatEachStresses(printed);
  std::fflush(stdout);
}

// A filter should cost about what its most selective term costs, not a search per term.
void SummaryReporter::PrintTermCost(const std::vector<SummaryRow>& rows) const {
  for (const SummaryRow& ten : rows) {
    if (ten.query_class != "filter_10_none") continue;
    for (const SummaryRow& one : rows) {
      if (one.query_class != "filter_1_none" || one.start != ten.start) continue;
      std::printf("10 terms against 1, both passing nothing, from %d: %s\n", ten.start,
                  Ratio(MedianMicros(ten.library), MedianMicros(one.library)).c_str());
    }
  }
}

}  // namespace tuneledger_bench
