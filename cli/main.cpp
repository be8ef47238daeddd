// tuneledger: reads and searches the chart table from a shell, one answer a line.
//
// The library speaks Windows-1252 characters; a terminal speaks UTF-8. Entries are stored as
// bytes, many of them UTF-8, so by default the host hands the library the query's bytes and
// shows an answer's bytes, which makes stored UTF-8 meet and look like what the user typed.
// --raw turns that off and shows the library's own characters.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "code_page.h"
#include "tuneledger.h"

namespace {

constexpr int ExitAnswered = 0;
constexpr int ExitNotFound = 1;
constexpr int ExitUsage = 2;

constexpr std::u16string_view NotFound = u"NOT FOUND!";
constexpr std::u16string_view OutOfRange = u"Out of range";

constexpr char32_t ReplacementCharacter = 0xFFFD;

constexpr char HelpText[] =
    R"(Usage: tuneledger get INDEX [--raw]
       tuneledger search TEXT [--from N] [--all] [--raw]
       tuneledger filter TERMS [--from N] [--all] [--raw]
       tuneledger --help

Reads and searches the chart table of song entries (entries 0 to 11081).

Commands:
  get INDEX      print entry INDEX, or "Out of range"
  search TEXT    print the first entry from N on that contains TEXT, ignoring the case of
                 A to Z, as INDEX-ENTRY; or "NOT FOUND!"
  filter TERMS   like search, for an entry that contains every term of TERMS; a term is
                 closed by ';' ("love;night;"), text after the last ';' takes no part

Options:
  --from N       start searching at entry N (default 0)
  --all          print every hit from N on, one a line
  --raw          show and query the library's characters unchanged (see below)
  -h, --help     print this help

INDEX and N are decimal integers; values beyond 32 bits count as the nearest 32-bit value.
Options may come before or after the argument. Arguments starting with "--" are options;
put a TEXT that starts with "--" after a lone "--".

Entries are stored as bytes, and the library reads each byte as a Windows-1252 character.
By default an answer whose bytes are valid UTF-8 is printed as those bytes ("Café"), any
other answer as its characters in UTF-8; the query's UTF-8 bytes are searched for as they
are. With --raw, answers show the library's characters ("CafÃ©") and the query is passed as
its own characters, so "CafÃ©" with --raw finds what "Café" finds without it.

Exit status: 0 an entry or hit was printed; 1 "NOT FOUND!" or "Out of range";
2 a usage error, or the output could not be written.
)";

// ---- UTF-8 and UTF-16 ----------------------------------------------------------------------

struct Decoded {
  char32_t code_point;
  std::size_t length;
};

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The well-formed UTF-8 sequence at `pos`, if there is one. Overlong forms, surrogates and code
// points above U+10FFFF are ill-formed: a terminal would not show them as the text they seem to
// hold.
std::optional<Decoded> DecodeUtf8(std::string_view bytes, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(bytes[pos]);
  if (lead < 0x80) return Decoded{lead, 1};
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || bytes.size() - pos < length) return std::nullopt;
  // The lead byte keeps 7 - length bits of the code point.
  char32_t code_point = lead & (0x7Fu >> length);
  constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(bytes[pos + i]);
    if (!IsContinuation(next)) return std::nullopt;
    code_point = (code_point << 6) | (next & 0x3Fu);
  }
  const bool surrogate = code_point >= 0xD800 && code_point <= 0xDFFF;
  if (code_point < Smallest[length] || surrogate || code_point > 0x10FFFF) return std::nullopt;
  return Decoded{code_point, length};
}

bool IsUtf8(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    const auto decoded = DecodeUtf8(bytes, pos);
    if (!decoded) return false;
    pos += decoded->length;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t code_point) {
  const auto byte = [](char32_t bits) { return static_cast<char>(bits); };
  if (code_point < 0x80) {
    out += byte(code_point);
  } else if (code_point < 0x800) {
    out += byte(0xC0 | (code_point >> 6));
    out += byte(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += byte(0xE0 | (code_point >> 12));
    out += byte(0x80 | ((code_point >> 6) & 0x3F));
    out += byte(0x80 | (code_point & 0x3F));
  } else {
    out += byte(0xF0 | (code_point >> 18));
    out += byte(0x80 | ((code_point >> 12) & 0x3F));
    out += byte(0x80 | ((code_point >> 6) & 0x3F));
    out += byte(0x80 | (code_point & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t code_point) {
  if (code_point < 0x10000) {
    out += static_cast<char16_t>(code_point);
  } else {
    const char32_t offset = code_point - 0x10000;
    out += static_cast<char16_t>(0xD800 + (offset >> 10));
    out += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
  }
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Each UTF-16 character as UTF-8; a lone surrogate has no UTF-8 form and shows as U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{text[++i]} - 0xDC00));
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, ReplacementCharacter);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

// The argument's characters as UTF-16; a byte that starts no valid sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view bytes) {
  std::u16string out;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const auto decoded = DecodeUtf8(bytes, pos);
    AppendUtf16(out, decoded ? decoded->code_point : ReplacementCharacter);
    pos += decoded ? decoded->length : 1;
  }
  return out;
}

// ---- The code page -------------------------------------------------------------------------

std::u16string CodePageFromBytes(std::string_view bytes) {
  std::u16string out;
  for (const char byte : bytes) out += tuneledger::WideFromByte(static_cast<unsigned char>(byte));
  return out;
}

std::string BytesFromCodePage(std::u16string_view text) {
  std::string out;
  for (const char16_t unit : text) out += tuneledger::ByteFromWide(unit);
  return out;
}

// ---- Talking to the library ----------------------------------------------------------------

// tuneledger_char is char16_t here and a 16-bit wchar_t on Windows; both hold UTF-16 units.
const tuneledger_char* ForLibrary(const std::u16string& text) {
  return reinterpret_cast<const tuneledger_char*>(text.c_str());
}

std::u16string_view FromLibrary(const tuneledger_char* text) {
  return reinterpret_cast<const char16_t*>(text);
}

std::u16string Query(std::string_view argument, bool raw) {
  return raw ? Utf16FromUtf8(argument) : CodePageFromBytes(argument);
}

// What the terminal gets for an answer: always valid UTF-8.
std::string Displayed(std::u16string_view answer, bool raw) {
  if (!raw) {
    std::string bytes = BytesFromCodePage(answer);
    if (IsUtf8(bytes)) return bytes;
  }
  return Utf8FromUtf16(answer);
}

// The INDEX of an "INDEX-ENTRY" hit.
std::optional<std::int32_t> HitIndex(std::u16string_view hit) {
  std::int64_t index = 0;
  std::size_t pos = 0;
  for (; pos < hit.size() && hit[pos] >= u'0' && hit[pos] <= u'9'; ++pos) {
    index = index * 10 + (hit[pos] - u'0');
    if (index > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  }
  if (pos == 0 || pos == hit.size() || hit[pos] != u'-') return std::nullopt;
  return static_cast<std::int32_t>(index);
}

// ---- Output --------------------------------------------------------------------------------

// Set once a write fails; later lines are not attempted.
bool output_failed = false;

void WriteLine(const std::string& text) {
  if (output_failed) return;
  output_failed = std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
                  std::fputc('\n', stdout) == EOF;
}

void WriteAnswer(std::u16string_view answer, bool raw) { WriteLine(Displayed(answer, raw)); }

// ---- The command line ----------------------------------------------------------------------

enum class Command { Get, Search, Filter };

struct Request {
  Command command = Command::Get;
  std::optional<std::string> operand;
  std::int32_t index = 0;  // get's operand as a number
  std::int32_t from = 0;
  bool all = false;
  bool raw = false;
};

struct Parsed {
  enum class Outcome { Run, Help, UsageError } outcome = Outcome::Run;
  Request request;
  std::string error;
};

Parsed Help() { return {Parsed::Outcome::Help, {}, {}}; }
Parsed UsageError(std::string message) { return {Parsed::Outcome::UsageError, {}, std::move(message)}; }

// A decimal integer, optionally signed, with nothing after the digits. A value beyond 32 bits
// becomes the nearest 32-bit one, which keeps its meaning: past the table, or before its start.
std::optional<std::int32_t> ParseInt32(std::string_view text) {
  constexpr std::int64_t Largest = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t Smallest = std::numeric_limits<std::int32_t>::min();
  std::size_t pos = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++pos;
  if (pos == text.size()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    if (text[pos] < '0' || text[pos] > '9') return std::nullopt;
    // Past 2^31 every value clamps alike, so stop growing before int64 could overflow.
    if (magnitude <= Largest + 1) magnitude = magnitude * 10 + (text[pos] - '0');
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  return static_cast<std::int32_t>(value < Smallest ? Smallest : value > Largest ? Largest : value);
}

std::optional<Command> CommandNamed(std::string_view name) {
  if (name == "get") return Command::Get;
  if (name == "search") return Command::Search;
  if (name == "filter") return Command::Filter;
  return std::nullopt;
}

const char* OperandName(Command command) {
  switch (command) {
    case Command::Get: return "INDEX";
    case Command::Search: return "TEXT";
    case Command::Filter: return "TERMS";
  }
  return "";
}

bool AsksForHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") return false;
    if (argument == "--help" || argument == "-h") return true;
  }
  return false;
}

Parsed Parse(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) return Help();
  if (argc < 2) return UsageError("missing command");
  Parsed parsed;
  Request& request = parsed.request;
  const auto command = CommandNamed(argv[1]);
  if (!command) return UsageError("unknown command '" + std::string(argv[1]) + "'");
  request.command = *command;
  const bool searches = request.command != Command::Get;

  bool options_ended = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!options_ended && argument == "--") {
      options_ended = true;
    } else if (!options_ended && argument.substr(0, 2) == "--") {
      if (argument == "--raw") {
        request.raw = true;
      } else if (argument == "--all" && searches) {
        request.all = true;
      } else if (argument == "--from" && searches) {
        if (i + 1 == argc) return UsageError("--from needs a value N");
        const auto from = ParseInt32(argv[++i]);
        if (!from) return UsageError("N is not an integer: '" + std::string(argv[i]) + "'");
        request.from = *from;
      } else {
        return UsageError("unknown option '" + std::string(argument) + "' for " + argv[1]);
      }
    } else if (request.operand) {
      return UsageError("extra argument '" + std::string(argument) + "'");
    } else {
      request.operand = std::string(argument);
    }
  }
  if (!request.operand) return UsageError(std::string("missing ") + OperandName(request.command));
  if (request.command == Command::Get) {
    const auto index = ParseInt32(*request.operand);
    if (!index) return UsageError("INDEX is not an integer: '" + *request.operand + "'");
    request.index = *index;
  }
  return parsed;
}

// ---- Running a request ---------------------------------------------------------------------

int RunGet(const Request& request) {
  const std::u16string_view answer = FromLibrary(FoodPicker(request.index));
  WriteAnswer(answer, request.raw);
  return answer == OutOfRange ? ExitNotFound : ExitAnswered;
}

using SearchCall = const tuneledger_char* (*)(const tuneledger_char*, std::int32_t);

int RunSearch(SearchCall search, const Request& request) {
  const std::u16string query = Query(*request.operand, request.raw);
  std::int32_t start = request.from;
  bool found = false;
  while (!output_failed) {
    const std::u16string_view answer = FromLibrary(search(ForLibrary(query), start));
    if (answer == NotFound) {
      if (!found) WriteAnswer(answer, request.raw);
      break;
    }
    found = true;
    WriteAnswer(answer, request.raw);
    if (!request.all) break;
    // A hit never lies before its start; should one, paging on from it would never end.
    const auto index = HitIndex(answer);
    if (!index || *index < start || *index == std::numeric_limits<std::int32_t>::max()) break;
    start = *index + 1;
  }
  return found ? ExitAnswered : ExitNotFound;
}

int Run(const Request& request) {
  switch (request.command) {
    case Command::Get: return RunGet(request);
    case Command::Search: return RunSearch(FoodPickerText, request);
    case Command::Filter: return RunSearch(FoodPickerFilter, request);
  }
  return ExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const Parsed parsed = Parse(argc, argv);
  int status = ExitAnswered;
  switch (parsed.outcome) {
    case Parsed::Outcome::UsageError:
      std::fprintf(stderr, "tuneledger: %s\nTry 'tuneledger --help'.\n", parsed.error.c_str());
      return ExitUsage;
    case Parsed::Outcome::Help:
      output_failed = std::fputs(HelpText, stdout) == EOF;
      break;
    case Parsed::Outcome::Run:
      status = Run(parsed.request);
      break;
  }
  if (std::fflush(stdout) != 0 || output_failed) {
    std::fputs("tuneledger: could not write the output\n", stderr);
    return ExitUsage;
  }
  return status;
}
