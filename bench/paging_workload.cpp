#include "bench/paging_workload.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/kit/text.h"

namespace bench {

std::vector<Query> ReadWorkload(const char* file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "can't read %s\n", file);
    std::exit(2);
  }
  std::vector<Query> queries;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    if (fields.size() < 2 || (fields[0] != "text" && fields[0] != "filter")) {
      std::fprintf(stderr, "%s: not a query: %s\n", file, line.c_str());
      std::exit(2);
    }
    std::string bytes;
    for (int times = fields.size() > 2 ? std::atoi(fields[2].c_str()) : 1; times > 0; --times) bytes += fields[1];
    queries.push_back({fields[0] == "text" ? kit::Operation::TextSearch : kit::Operation::TermFilter, kit::WideFromBytes(bytes)});
  }
  return queries;
}

std::vector<int> Walk(const kit::Calls& calls, const std::vector<Query>& queries) {
  std::vector<int> hits;
  hits.reserve(queries.size());
  for (const Query& query : queries) {
    int count = 0;
    for (std::int32_t start = 0;;) {
      int index = kit::HitIndex(kit::FromLibrary(kit::Call(calls, query.operation, query.text.c_str(), start)));
      if (index == kit::NoEntry) break;
      ++count;
      start = index + 1;
    }
    hits.push_back(count);
  }
  return hits;
}

int Sum(const std::vector<int>& hits) {
  int sum = 0;
  for (int h : hits) sum += h;
  return sum;
}

}  // namespace bench
