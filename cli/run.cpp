#include "run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "answers.h"
#include "text.h"
#include "tuneledger.h"

namespace cli {
namespace {

constexpr std::size_t LongestText = TUNELEDGER_LONGEST_TEXT;
constexpr std::size_t LongestFilter = TUNELEDGER_LONGEST_FILTER;
// A text named in a warning is cut after this many terminal columns.
constexpr std::size_t NamedWidth = 40;

// tuneledger_char is char16_t, or a 16-bit wchar_t on Windows: both hold UTF-16 units.
const char16_t* FromLibrary(const tuneledger_char* text) { return reinterpret_cast<const char16_t*>(text); }
const tuneledger_char* ForLibrary(const char16_t* text) { return reinterpret_cast<const tuneledger_char*>(text); }

bool Same(const char16_t* text, const char* ascii) {
  for (; *ascii != '\0'; ++text, ++ascii) {
    if (*text != static_cast<char16_t>(*ascii)) return false;
  }
  return *text == 0;
}

// For printf, which on every platform knows %llu.
unsigned long long Count(std::size_t value) { return value; }

void Warn(Stream& err, const char* message) {
  err.Write("tuneledger: warning: ");
  err.Write(message);
  err.EndLine();
}

// "'TEXT'" as shown, cut after NamedWidth columns.
void WriteNamed(Stream& err, const Byte* bytes, std::size_t size, bool raw) {
  const std::size_t shown = PrefixOfWidth(bytes, size, NamedWidth, raw);
  char* out = err.Reserve(MaxDisplayGrowth * shown + 8);
  *out++ = '\'';
  out += raw ? DisplayCodePage(bytes, shown, out) : DisplayBytes(bytes, shown, out);
  if (shown < size) out = static_cast<char*>(std::memcpy(out, "...", 3)) + 3;
  *out++ = '\'';
  err.Commit(out);
}

// "the text has 170 characters, more than the longest entry (169)": the characters as typed.
// Without --raw the library reads the typed UTF-8 byte by byte, so where the two counts differ
// the bytes are named too, and the limit is one of bytes.
void WriteLength(char* message, std::size_t size, const char* what, std::size_t characters,
                 std::size_t bytes, const char* limit_format, std::size_t limit) {
  int used = std::snprintf(message, size, "%s has %llu characters", what, Count(characters));
  if (characters != bytes) {
    used += std::snprintf(message + used, size - static_cast<std::size_t>(used), ", %llu bytes in UTF-8", Count(bytes));
  }
  used += std::snprintf(message + used, size - static_cast<std::size_t>(used), limit_format, Count(limit),
                        characters != bytes ? " bytes" : "");
}

// What the query as the library reads it will do, where the answer alone would not say.
void WarnAboutQuery(const Request& request, const Query& query, Stream& err) {
  char message[240];
  if (query.replaced > 0) {
    std::snprintf(message, sizeof message,
                  "%llu character%s outside Windows-1252, searched as '?'", Count(query.replaced),
                  query.replaced == 1 ? " is" : "s are");
    Warn(err, message);
  }
  const bool search = request.command == Command::Search;
  const std::size_t longest = search ? LongestText : LongestFilter;
  if (query.length > longest) {
    const std::size_t characters = CharacterCount(query.bytes, query.length, request.raw);
    if (search) {
      WriteLength(message, sizeof message, "the text", characters, query.length,
                  ", more than the longest entry (%llu%s): nothing contains it", longest);
    } else {
      WriteLength(message, sizeof message, "the filter", characters, query.length,
                  ", more than the %llu%s a filter may have: nothing passes", longest);
    }
    Warn(err, message);
  }
  if (search || query.length > longest) return;
  std::size_t term_start = 0;
  for (std::size_t pos = 0; pos < query.length; ++pos) {
    if (query.bytes[pos] != ';') continue;
    const std::size_t size = pos - term_start;
    if (size > LongestText) {
      err.Write("tuneledger: warning: the term ");
      WriteNamed(err, query.bytes + term_start, size, request.raw);
      const std::size_t characters = CharacterCount(query.bytes + term_start, size, request.raw);
      WriteLength(message, sizeof message, "", characters, size,
                  ", more than the longest entry (%llu%s): nothing passes", LongestText);
      err.Write(message);
      err.EndLine();
    }
    term_start = pos + 1;
  }
  if (term_start < query.length) {
    err.Write("tuneledger: warning: ");
    WriteNamed(err, query.bytes + term_start, query.length - term_start, request.raw);
    err.Write(term_start == 0 ? " takes no part: a term ends with ';', and without one every entry passes"
                              : " after the last ';' takes no part: a term ends with ';'");
    err.EndLine();
  }
}

// The terms a filter's hits contain, for highlighting: the pieces closed by ';'.
std::size_t TermsOf(const Query& query, Needle* terms) {
  std::size_t count = 0;
  std::size_t start = 0;
  for (std::size_t pos = 0; pos < query.length && pos < LongestFilter; ++pos) {
    if (query.bytes[pos] != ';') continue;
    terms[count++] = {query.bytes + start, pos - start};
    start = pos + 1;
  }
  return count;
}

bool UseColor(const Request& request, const Stream& out) {
  switch (request.color) {
    case When::Always: return true;
    case When::Never: return false;
    case When::Auto: break;
  }
  const char* no_color = std::getenv("NO_COLOR");
  return out.ShowsColor() && !(no_color && no_color[0] != '\0');
}

Answers::Style StyleFor(const Request& request, const Stream& out) {
  Answers::Style style;
  style.format = request.format;
  if (style.format == Format::Default) {
    style.format = out.IsTerminal() && !request.raw ? Format::Table : Format::Lines;
  }
  style.raw = request.raw;
  style.color = style.format != Format::Json && UseColor(request, out);
  style.hits = request.command != Command::Get;
  if (style.format == Format::Table) style.columns = out.Columns();
  return style;
}

int RunGet(const Request& request, Stream& out, Stream& err) {
  const char16_t* answer = FromLibrary(FoodPicker(request.index));
  if (Same(answer, "Out of range")) {
    if (!request.quiet) {
      err.Write("Out of range");
      err.EndLine();
    }
    return ExitNone;
  }
  if (!request.quiet) {
    Answers answers(out, StyleFor(request, out));
    answers.Add(answer, request.index, 0);
    answers.Finish();
  }
  return ExitFound;
}

// Both searches take the same arguments; decltype keeps whatever calling convention the header gives.
using SearchCall = decltype(&FoodPickerText);

int RunSearch(const Request& request, Stream& out, Stream& err) {
  Query query;
  if (!MakeQuery(request.operand, request.raw, &query)) {
    err.Write("tuneledger: out of memory");
    err.EndLine();
    return ExitTrouble;
  }
  WarnAboutQuery(request, query, err);

  const bool filter = request.command == Command::Filter;
  const SearchCall search = filter ? FoodPickerFilter : FoodPickerText;
  Answers::Style style = StyleFor(request, out);
  // Only highlighting needs the needles; without memory for them the hits show unmarked.
  Needle* needles = style.color ? static_cast<Needle*>(std::malloc((query.length + 1) * sizeof(Needle))) : nullptr;
  if (needles) {
    style.needles = needles;
    if (filter) {
      style.needle_count = TermsOf(query, needles);
    } else {
      needles[0] = {query.bytes, query.length};
      style.needle_count = 1;
    }
  }
  Answers answers(out, style);

  // Without --all, -m or -c, the first hit alone.
  const bool pages = request.all || request.count || request.max_count >= 0;
  const std::int64_t most = request.max_count >= 0 ? request.max_count : pages ? TUNELEDGER_LAST_INDEX + 1 : 1;
  std::int64_t hits = 0;
  std::int32_t start = request.from;
  while (hits < most && !out.Failed()) {
    const char16_t* answer = FromLibrary(search(ForLibrary(query.units), start));
    // A hit is "INDEX-ENTRY"; the only other answer is "NOT FOUND!".
    std::int32_t index = 0;
    std::size_t pos = 0;
    for (; answer[pos] >= u'0' && answer[pos] <= u'9' && pos < 6; ++pos) index = index * 10 + (answer[pos] - u'0');
    if (pos == 0 || answer[pos] != u'-') break;
    ++hits;
    if (request.quiet) break;
    if (!request.count) answers.Add(answer, index, pos + 1);
    // A hit never lies before its start; should one, paging on from it would never end.
    if (index < start || index >= TUNELEDGER_LAST_INDEX) break;
    start = index + 1;
  }
  const bool complete = answers.Finish();
  std::free(needles);
  FreeQuery(&query);
  if (!complete) {
    err.Write("tuneledger: out of memory");
    err.EndLine();
    return ExitTrouble;
  }
  if (request.count && !request.quiet) {
    char line[24];
    out.Write(line, static_cast<std::size_t>(std::snprintf(line, sizeof line, "%lld", static_cast<long long>(hits))));
    out.EndLine();
  } else if (hits == 0 && most > 0 && !request.quiet) {  // -m 0 asked for nothing
    err.Write("NOT FOUND!");
    err.EndLine();
  }
  return hits > 0 ? ExitFound : ExitNone;
}

}  // namespace

int Run(const Request& request, Stream& out, Stream& err) {
  return request.command == Command::Get ? RunGet(request, out, err) : RunSearch(request, out, err);
}

}  // namespace cli
