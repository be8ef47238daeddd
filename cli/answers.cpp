#include "answers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tuneledger.h"

namespace cli {
namespace {

constexpr char MatchOn[] = "\x1b[1;31m";
constexpr char MatchOff[] = "\x1b[m";
constexpr char HeaderOn[] = "\x1b[1m";
// Room for one shown text of `size` bytes, with a colour sequence around every character.
constexpr std::size_t RoomFor(std::size_t size) {
  return size * (MaxDisplayGrowth + sizeof MatchOn + sizeof MatchOff) + 64;
}

Byte Fold(Byte byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<Byte>(byte + 32) : byte; }

// Marks in mask[0, size) every byte of entry that lies in a place where a needle stands.
void MarkMatches(const Byte* entry, std::size_t size, const Needle* needles, std::size_t count,
                 bool* mask) {
  std::memset(mask, 0, size);
  for (std::size_t n = 0; n < count; ++n) {
    const Needle& needle = needles[n];
    if (needle.size == 0 || needle.size > size) continue;
    for (std::size_t at = 0; at + needle.size <= size; ++at) {
      std::size_t i = 0;
      while (i < needle.size && Fold(entry[at + i]) == Fold(needle.bytes[i])) ++i;
      if (i == needle.size) std::memset(mask + at, 1, needle.size);
    }
  }
}

// Writes a fixed text (without its terminator) and returns where it ends.
template <std::size_t N>
char* Put(char* out, const char (&text)[N]) {
  std::memcpy(out, text, N - 1);
  return out + N - 1;
}

char* WriteShown(char* out, const Byte* bytes, std::size_t size, bool raw) {
  return out + (raw ? DisplayCodePage(bytes, size, out) : DisplayBytes(bytes, size, out));
}

// Writes bytes[0, size) as shown (see DisplayBytes), with the characters whose bytes are marked
// in colour. Needs RoomFor(size).
char* WriteMarked(char* out, const Byte* bytes, std::size_t size, const bool* mask, bool raw) {
  bool on = false;
  for (std::size_t pos = 0; pos < size;) {
    const std::size_t length = ShownLength(bytes + pos, size - pos, raw);
    bool marked = false;
    for (std::size_t i = 0; i < length; ++i) marked = marked || mask[pos + i];
    if (marked != on) {
      out = marked ? Put(out, MatchOn) : Put(out, MatchOff);
      on = marked;
    }
    out = WriteShown(out, bytes + pos, length, raw);
    pos += length;
  }
  return on ? Put(out, MatchOff) : out;
}

// ---- An entry's fields ----

struct Fields {
  const Byte* performer;
  std::size_t performer_size;
  const Byte* title;
  std::size_t title_size;
  std::size_t figure_start[6];  // where each figure's text starts in the entry, and its end
  std::size_t figure_end[6];
  std::int64_t figures[6];  // -1 where a figure's text is no number
};

void TrimSpaces(const Byte** text, std::size_t* size) {
  while (*size > 0 && (*text)[0] == ' ') ++*text, --*size;
  while (*size > 0 && (*text)[*size - 1] == ' ') --*size;
}

// "1506" is 1506; the times at best are "(x29)", or "0" when none.
std::int64_t FigureValue(const Byte* text, std::size_t size) {
  if (size >= 3 && text[0] == '(' && text[1] == 'x' && text[size - 1] == ')') {
    text += 2;
    size -= 3;
  }
  if (size == 0 || size > 18) return -1;
  std::int64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// performer|title|six figures. A '|' inside the performer leaves the last seven fields as they
// are; with fewer than seven '|' the whole entry counts as the performer.
Fields Split(const Byte* entry, std::size_t size) {
  Fields fields{};
  std::size_t bars[7];
  std::size_t found = 0;
  for (std::size_t pos = size; pos > 0 && found < 7; --pos) {
    if (entry[pos - 1] == '|') bars[found++] = pos - 1;
  }
  for (std::int64_t& figure : fields.figures) figure = -1;
  fields.performer = entry;
  fields.performer_size = size;
  fields.title = entry;
  if (found == 7) {
    // bars[6] ends the performer, bars[5] the title, bars[4..0] the first five figures.
    fields.performer_size = bars[6];
    fields.title = entry + bars[6] + 1;
    fields.title_size = bars[5] - bars[6] - 1;
    for (int i = 0; i < 6; ++i) {
      fields.figure_start[i] = bars[5 - i] + 1;
      fields.figure_end[i] = i < 5 ? bars[4 - i] : size;
      fields.figures[i] = FigureValue(entry + fields.figure_start[i],
                                      fields.figure_end[i] - fields.figure_start[i]);
    }
  }
  TrimSpaces(&fields.performer, &fields.performer_size);
  TrimSpaces(&fields.title, &fields.title_size);
  return fields;
}

// ---- JSON ----

// bytes as shown, as the inside of a JSON string. Needs 6 * MaxDisplayGrowth * size.
char* WriteJsonString(char* out, const Byte* bytes, std::size_t size, bool raw) {
  char shown[TUNELEDGER_RESULT_UNITS * MaxDisplayGrowth];
  const std::size_t length = static_cast<std::size_t>(WriteShown(shown, bytes, size, raw) - shown);
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<Byte>(shown[i]);
    if (c == '"' || c == '\\') {
      *out++ = '\\';
      *out++ = static_cast<char>(c);
    } else if (c < 0x20) {
      out += std::snprintf(out, 7, "\\u%04x", c);
    } else {
      *out++ = static_cast<char>(c);
    }
  }
  return out;
}

// ---- The table ----

constexpr std::size_t ColumnCount = 9;
constexpr const char* Headers[ColumnCount] = {"Index", "Performer", "Title",  "Listed", "Top 10",
                                              "Best",  "Times",     "Single", "Total"};
constexpr std::size_t PerformerColumn = 1;
constexpr std::size_t TitleColumn = 2;
constexpr std::size_t FirstFigureColumn = 3;
constexpr std::size_t Gap = 2;                // spaces between columns
constexpr std::size_t ComfortableText = 16;   // performer and title shrink this far before a figure goes
constexpr std::size_t NarrowestText = 9;      // and no further once every figure that may go is gone
// The figures a narrow terminal drops, first to last: top-ten listings, times at best, listings,
// best single count, best position. The index and the total always stay.
constexpr std::size_t DropOrder[] = {4, 6, 3, 7, 5};
constexpr char Ellipsis[] = "\xE2\x80\xA6";

bool IsText(std::size_t column) { return column == PerformerColumn || column == TitleColumn; }

// value with a ',' between groups of three digits; "" for no number. Returns the length.
std::size_t Grouped(std::int64_t value, char* out) {
  if (value < 0) {
    out[0] = '\0';
    return 0;
  }
  char digits[24];
  const int count = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
  std::size_t length = 0;
  for (int i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) out[length++] = ',';
    out[length++] = digits[i];
  }
  out[length] = '\0';
  return length;
}

char* Spaces(char* out, std::size_t count) {
  std::memset(out, ' ', count);
  return out + count;
}

struct Row {
  std::int32_t index;
  const Byte* entry;
  std::size_t size;
  Fields fields;
  char numbers[ColumnCount][32];  // the index and the six grouped figures as printed; text columns unused
};

// Which columns show, and how wide: first what the rows hold, then what the terminal has room for.
struct Layout {
  std::size_t natural[ColumnCount];  // the widest cell or header of each column
  std::size_t widths[ColumnCount];
  bool shown[ColumnCount];
};

// The number of rows a table kept: index, size, then the entry's bytes, each.
std::size_t CountRows(const Buffer& kept) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < kept.size; ++count) {
    std::uint32_t header[2];
    std::memcpy(header, kept.data + at, sizeof header);
    at += sizeof header + header[1];
  }
  return count;
}

// The rows read back into `rows` (room for CountRows), split into fields, with the index and
// figures as printed.
void ReadRows(const Buffer& kept, Row* rows) {
  std::size_t at = 0;
  for (Row* row = rows; at < kept.size; ++row) {
    std::uint32_t header[2];
    std::memcpy(header, kept.data + at, sizeof header);
    row->index = static_cast<std::int32_t>(header[0]);
    row->entry = kept.data + at + sizeof header;
    row->size = header[1];
    at += sizeof header + header[1];
    row->fields = Split(row->entry, row->size);
    std::snprintf(row->numbers[0], sizeof row->numbers[0], "%ld", static_cast<long>(row->index));
    for (std::size_t f = 0; f < 6; ++f) Grouped(row->fields.figures[f], row->numbers[FirstFigureColumn + f]);
  }
}

// Every column as wide as its widest cell or header, in terminal columns.
Layout Measure(const Row* rows, std::size_t count, bool raw) {
  Layout layout{};
  for (std::size_t c = 0; c < ColumnCount; ++c) {
    layout.natural[c] = std::strlen(Headers[c]);
    layout.shown[c] = true;
  }
  for (std::size_t r = 0; r < count; ++r) {
    const Row& row = rows[r];
    for (std::size_t c = 0; c < ColumnCount; ++c) {
      const std::size_t width = c == PerformerColumn ? DisplayWidth(row.fields.performer, row.fields.performer_size, raw)
                                : c == TitleColumn   ? DisplayWidth(row.fields.title, row.fields.title_size, raw)
                                                     : std::strlen(row.numbers[c]);
      if (width > layout.natural[c]) layout.natural[c] = width;
    }
  }
  for (std::size_t c = 0; c < ColumnCount; ++c) layout.widths[c] = layout.natural[c];
  return layout;
}

// The width of the shown columns other than performer and title, with every gap.
std::size_t FixedWidth(const Layout& layout) {
  std::size_t width = 0;
  std::size_t shown = 0;
  for (std::size_t c = 0; c < ColumnCount; ++c) {
    if (!layout.shown[c]) continue;
    ++shown;
    if (!IsText(c)) width += layout.widths[c];
  }
  return width + Gap * (shown - 1);
}

// Shares what the other columns leave between performer and title, each keeping at least
// `floor` columns (or its natural width, when less). False when that leaves too little.
bool ShareText(Layout* layout, std::size_t columns, std::size_t floor) {
  const std::size_t fixed = FixedWidth(*layout);
  std::size_t& performer = layout->widths[PerformerColumn];
  std::size_t& title = layout->widths[TitleColumn];
  performer = layout->natural[PerformerColumn];
  title = layout->natural[TitleColumn];
  const std::size_t least = (performer < floor ? performer : floor) + (title < floor ? title : floor);
  if (fixed + least > columns) return false;
  const std::size_t room = columns - fixed;
  if (performer + title <= room) return true;
  // The narrower keeps its width when it needs no more than half; else each gets half.
  const std::size_t half = room / 2;
  if (performer <= half) title = room - performer;
  else if (title <= half) performer = room - title;
  else performer = half, title = room - half;
  return true;
}

// Fits the table into `columns` (0: no limit): performer and title shrink to ComfortableText,
// then figures go in DropOrder, then performer and title shrink to NarrowestText. Narrower than
// that (about 40 columns), the rows wrap.
void Fit(Layout* layout, std::size_t columns) {
  if (columns == 0) return;
  for (std::size_t dropped = 0;; ++dropped) {
    if (ShareText(layout, columns, ComfortableText)) return;
    if (dropped == sizeof DropOrder / sizeof DropOrder[0]) break;
    layout->shown[DropOrder[dropped]] = false;
  }
  if (!ShareText(layout, columns, NarrowestText)) {
    layout->widths[PerformerColumn] = layout->natural[PerformerColumn] < NarrowestText ? layout->natural[PerformerColumn] : NarrowestText;
    layout->widths[TitleColumn] = layout->natural[TitleColumn] < NarrowestText ? layout->natural[TitleColumn] : NarrowestText;
  }
}

// A text cell in `width` columns, cut with an ellipsis when wider, padded on the right.
char* WriteTextCell(char* out, const Byte* text, std::size_t size, const bool* mask,
                    std::size_t width, bool raw) {
  std::size_t shown_width = DisplayWidth(text, size, raw);
  bool cut = false;
  if (shown_width > width) {
    // A wide character that would straddle the ellipsis goes, and a space makes up its column.
    size = PrefixOfWidth(text, size, width - 1, raw, &shown_width);
    cut = true;
  }
  out = mask ? WriteMarked(out, text, size, mask, raw) : WriteShown(out, text, size, raw);
  if (cut) {
    out = Put(out, Ellipsis);
    ++shown_width;
  }
  return Spaces(out, width - shown_width);
}

void WriteHeader(Stream& stream, const Answers::Style& style, const Layout& layout) {
  char* out = stream.Reserve(512);
  if (style.color) out = Put(out, HeaderOn);
  bool first = true;
  for (std::size_t c = 0; c < ColumnCount; ++c) {
    if (!layout.shown[c]) continue;
    const std::size_t length = std::strlen(Headers[c]);
    if (!first) out = Spaces(out, Gap);
    first = false;
    if (!IsText(c)) out = Spaces(out, layout.widths[c] - length);
    std::memcpy(out, Headers[c], length);
    out += length;
    if (IsText(c)) out = Spaces(out, layout.widths[c] - length);
  }
  if (style.color) out = Put(out, MatchOff);
  stream.Commit(out);
  stream.EndLine();
}

void WriteRow(Stream& stream, const Answers::Style& style, const Row& row, const Layout& layout) {
  const Fields& fields = row.fields;
  bool mask[TUNELEDGER_RESULT_UNITS];
  const bool* marks = nullptr;
  if (style.color && style.needle_count > 0) {
    MarkMatches(row.entry, row.size, style.needles, style.needle_count, mask);
    marks = mask;
  }
  std::size_t room = RoomFor(row.size) + 256;
  for (std::size_t width : layout.widths) room += width + Gap;
  char* out = stream.Reserve(room);
  bool first = true;
  for (std::size_t c = 0; c < ColumnCount; ++c) {
    if (!layout.shown[c]) continue;
    if (!first) out = Spaces(out, Gap);
    first = false;
    if (IsText(c)) {
      const Byte* text = c == PerformerColumn ? fields.performer : fields.title;
      const std::size_t size = c == PerformerColumn ? fields.performer_size : fields.title_size;
      out = WriteTextCell(out, text, size, marks ? marks + (text - row.entry) : nullptr,
                          layout.widths[c], style.raw);
      continue;
    }
    // A figure is highlighted whole when a match touches it.
    bool marked = false;
    if (marks && c >= FirstFigureColumn && fields.figures[c - FirstFigureColumn] >= 0) {
      const std::size_t f = c - FirstFigureColumn;
      for (std::size_t i = fields.figure_start[f]; i < fields.figure_end[f]; ++i) marked = marked || marks[i];
    }
    const std::size_t length = std::strlen(row.numbers[c]);
    out = Spaces(out, layout.widths[c] - length);
    if (marked) out = Put(out, MatchOn);
    std::memcpy(out, row.numbers[c], length);
    out += length;
    if (marked) out = Put(out, MatchOff);
  }
  stream.Commit(out);
  stream.EndLine();
}

}  // namespace

bool Buffer::Append(const void* bytes, std::size_t count) {
  if (capacity - size < count) {
    std::size_t grown = capacity ? capacity * 2 : 1 << 16;
    while (grown - size < count) grown *= 2;
    void* moved = std::realloc(data, grown);
    if (!moved) return false;
    data = static_cast<Byte*>(moved);
    capacity = grown;
  }
  std::memcpy(data + size, bytes, count);
  size += count;
  return true;
}

Buffer::~Buffer() { std::free(data); }

void Answers::Add(const char16_t* answer, std::int32_t index, std::size_t entry_offset) {
  if (style_.format == Format::Lines && !style_.color) return AddLine(answer, entry_offset);
  Byte bytes[TUNELEDGER_RESULT_UNITS];
  const std::size_t size = BytesFromAnswer(answer, bytes);
  const Byte* entry = bytes + entry_offset;
  const std::size_t entry_size = size - entry_offset;
  if (style_.format == Format::Json) return AddJson(entry, entry_size, index);
  if (style_.format == Format::Table) {
    const std::uint32_t header[2] = {static_cast<std::uint32_t>(index),
                                     static_cast<std::uint32_t>(entry_size)};
    lost_ = lost_ || !rows_.Append(header, sizeof header) || !rows_.Append(entry, entry_size);
    return;
  }
  // A line in colour: the "INDEX-" of a hit as it is, the entry marked.
  bool mask[TUNELEDGER_RESULT_UNITS];
  MarkMatches(entry, entry_size, style_.needles, style_.needle_count, mask);
  char* out = out_.Reserve(RoomFor(size) + 1);
  if (style_.hits) {
    std::memcpy(out, bytes, entry_offset);
    out += entry_offset;
  }
  out_.Commit(WriteMarked(out, entry, entry_size, mask, style_.raw));
  out_.EndLine();
}

void Answers::AddLine(const char16_t* answer, std::size_t entry_offset) {
  char* out = out_.Reserve(TUNELEDGER_RESULT_UNITS * MaxDisplayGrowth + 1);
  const char16_t* unit = style_.hits ? answer : answer + entry_offset;
  // Most answers are ASCII from end to end: copy those units as bytes until one isn't.
  for (; *unit != 0 && *unit < 0x80; ++unit) *out++ = static_cast<char>(*unit);
  if (*unit != 0) {
    Byte rest[TUNELEDGER_RESULT_UNITS];
    const std::size_t size = BytesFromAnswer(unit, rest);
    out = WriteShown(out, rest, size, style_.raw);
  }
  *out++ = '\n';
  out_.Commit(out);
}

void Answers::AddJson(const Byte* entry, std::size_t size, std::int32_t index) {
  static constexpr const char* Names[6] = {"listings",      "top_ten",     "best_position",
                                            "times_at_best", "best_single", "total"};
  const Fields fields = Split(entry, size);
  char* out = out_.Reserve(6 * MaxDisplayGrowth * 2 * size + 512);
  out += std::snprintf(out, 48, "{\"index\":%ld,\"entry\":\"", static_cast<long>(index));
  out = WriteJsonString(out, entry, size, style_.raw);
  out = Put(out, "\",\"performer\":\"");
  out = WriteJsonString(out, fields.performer, fields.performer_size, style_.raw);
  out = Put(out, "\",\"title\":\"");
  out = WriteJsonString(out, fields.title, fields.title_size, style_.raw);
  *out++ = '"';
  for (int i = 0; i < 6; ++i) {
    if (fields.figures[i] < 0) {
      out += std::snprintf(out, 40, ",\"%s\":null", Names[i]);
    } else {
      out += std::snprintf(out, 48, ",\"%s\":%lld", Names[i], static_cast<long long>(fields.figures[i]));
    }
  }
  *out++ = '}';
  *out++ = '\n';
  out_.Commit(out);
}

bool Answers::Finish() {
  if (style_.format != Format::Table || rows_.size == 0) return !lost_;
  const std::size_t count = CountRows(rows_);
  Row* rows = static_cast<Row*>(std::malloc(count * sizeof(Row)));
  if (!rows) return false;
  ReadRows(rows_, rows);
  Layout layout = Measure(rows, count, style_.raw);
  Fit(&layout, style_.columns);
  WriteHeader(out_, style_, layout);
  for (std::size_t r = 0; r < count && !out_.Failed(); ++r) WriteRow(out_, style_, rows[r], layout);
  std::free(rows);
  return !lost_;
}

}  // namespace cli
