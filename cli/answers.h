// How answers look: one a line, one JSON object a line, or a table; what matched highlighted.
#ifndef TUNELEDGER_CLI_ANSWERS_H
#define TUNELEDGER_CLI_ANSWERS_H

#include <cstddef>
#include <cstdint>

#include "arguments.h"
#include "output.h"
#include "text.h"

namespace cli {

// The texts a search looked for, as the library's bytes: the search text, or each term of a
// filter. Highlighting marks every place they stand, folding A to Z as the library does.
struct Needle {
  const Byte* bytes;
  std::size_t size;
};

// A growing block of memory from malloc; on running out it stays as it was and says so.
struct Buffer {
  Byte* data = nullptr;
  std::size_t size = 0;
  std::size_t capacity = 0;
  bool Append(const void* bytes, std::size_t count);
  ~Buffer();
};

class Answers {
 public:
  struct Style {
    Format format = Format::Lines;  // never Default
    bool raw = false;
    bool color = false;
    bool hits = true;              // answers of a search: lines show INDEX-ENTRY, not ENTRY
    std::size_t columns = 0;       // a table's width; 0: no limit
    const Needle* needles = nullptr;
    std::size_t needle_count = 0;
  };
  Answers(Stream& out, const Style& style) : out_(out), style_(style) {}

  // One answer: `answer` as the library gave it (a hit "INDEX-ENTRY", or an entry), its index,
  // and where its entry starts (after the "INDEX-" of a hit).
  void Add(const char16_t* answer, std::int32_t index, std::size_t entry_offset);
  // Prints what had to wait for every answer (a table). False when memory ran out.
  bool Finish();

 private:
  void AddLine(const char16_t* answer, std::size_t entry_offset);
  void AddJson(const Byte* entry, std::size_t size, std::int32_t index);

  Stream& out_;
  Style style_;
  Buffer rows_;   // a table's rows: index, size, then the entry's bytes
  bool lost_ = false;
};

}  // namespace cli

#endif
