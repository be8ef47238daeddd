#include "arguments.h"

#include <cstdio>
#include <cstring>

namespace cli {

const char HelpText[] =
    R"(Usage: tuneledger [OPTION]... get INDEX
       tuneledger [OPTION]... search TEXT
       tuneledger [OPTION]... filter TERMS

Reads and searches the chart table of song entries (entries 0 to 11081).

Commands:
  get INDEX      print entry INDEX, or "Out of range" on stderr
  search TEXT    print the first entry from N on that contains TEXT, ignoring the case of
                 A to Z, as INDEX-ENTRY; or "NOT FOUND!" on stderr
  filter TERMS   like search, for an entry that contains every term of TERMS; a term is
                 closed by ';' ("love;night;"); text after the last ';' takes no part

Options:
      --from=N         start searching at entry N (default 0)
      --all            print every hit from N on
  -m, --max-count=N    print at most N hits (N >= 0), paging like --all
  -c, --count          print only the number of hits from N on (at most N with -m)
  -q, --quiet, --silent
                       print nothing, not even "NOT FOUND!"; the exit status tells
      --json           one JSON object a line: index, entry, performer, title, listings,
                       top_ten, best_position, times_at_best (0 when none), best_single, total
      --table          aligned columns with a header, fitted to the terminal's width; the
                       default when standard output is a terminal and --json and --raw are absent
      --lines          one answer a line, as INDEX-ENTRY (the default when not on a terminal)
      --color[=WHEN]   highlight what matched (each term of a filter): WHEN is auto (the
                       default: on a terminal, unless NO_COLOR is set), always or never
      --raw            show and query the library's characters unchanged (see below)
  -V, --version        print the version
  -h, --help           print this help

INDEX and N are decimal integers; values beyond 32 bits count as the nearest 32-bit value.
A value may follow its option as the next argument or after '=' (--from=5, -m5, -m 5).
Options may come anywhere. An argument starting with '-' is an option, except a lone '-'
and a negative number; put a TEXT that starts with '-' after a lone "--".

Entries are stored as bytes, and the library reads each byte as a Windows-1252 character.
By default every well-formed UTF-8 sequence of an answer prints as itself and any other byte
as its Windows-1252 character ("Café"); the query's UTF-8 bytes are searched for as they are.
With --raw, answers show the library's characters ("CafÃ©") and the query is passed as its
own characters, so "CafÃ©" with --raw finds what "Café" finds without it.

Warnings on stderr: text after the last ';' of a filter, which takes no part; a text or term
longer than the longest entry (169 characters), which nothing contains; a filter of more than
2,999 characters, which nothing passes; --raw characters outside Windows-1252, searched as '?'.

Exit status: 0 an entry or hit was found; 1 none ("NOT FOUND!" or "Out of range");
2 a usage error, or the output could not be written (the reason is given).
)";

namespace {

constexpr std::int64_t Int32Max = 2147483647;
constexpr std::int64_t Int32Min = -Int32Max - 1;

bool Equal(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal integer, optionally signed, with nothing after the digits. A value beyond 32 bits
// becomes the nearest 32-bit one, which keeps its meaning: past the table, or before its start.
bool ParseInt(const char* text, std::int64_t* value) {
  std::size_t pos = 0;
  const bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') ++pos;
  if (text[pos] == '\0') return false;
  std::int64_t magnitude = 0;
  for (; text[pos] != '\0'; ++pos) {
    if (!IsDigit(text[pos])) return false;
    // Past 2^31 every value clamps alike, so stop growing before int64 could overflow.
    if (magnitude <= Int32Max + 1) magnitude = magnitude * 10 + (text[pos] - '0');
  }
  const std::int64_t signed_value = negative ? -magnitude : magnitude;
  *value = signed_value < Int32Min ? Int32Min : signed_value > Int32Max ? Int32Max : signed_value;
  return true;
}

// An argument that is an option: "-x...", "--x...", but not "-", "--" or "-5".
bool IsOption(const char* argument) {
  return argument[0] == '-' && argument[1] != '\0' && !IsDigit(argument[1]) &&
         !Equal(argument, "--");
}

class Parser {
 public:
  Parser(int argc, char** argv) : argc_(argc), argv_(argv) {}

  Parsed Run() {
    bool options_ended = false;
    for (next_ = 1; next_ < argc_;) {
      const char* argument = argv_[next_++];
      if (!options_ended && Equal(argument, "--")) {
        options_ended = true;
      } else if (!options_ended && argument[0] == '-' && argument[1] == '-' && IsOption(argument)) {
        LongOption(argument + 2);
      } else if (!options_ended && IsOption(argument)) {
        ShortOptions(argument);
      } else {
        Positional(argument);
      }
    }
    if (help_) parsed_.outcome = Parsed::Outcome::Help;
    else if (version_) parsed_.outcome = Parsed::Outcome::Version;
    else if (!failed_) Check();
    return parsed_;
  }

 private:
  template <typename... Args>
  void Fail(const char* format, Args... args) {
    if (failed_) return;  // the first problem is the one to tell
    failed_ = true;
    parsed_.outcome = Parsed::Outcome::UsageError;
    std::snprintf(parsed_.error, sizeof parsed_.error, format, args...);
  }

  Request& request() { return parsed_.request; }

  // The value of an option that needs one: after '=' or in the next argument.
  const char* Value(const char* name, const char* attached) {
    if (attached) return attached;
    if (next_ < argc_) return argv_[next_++];
    Fail("%s needs a value", name);
    return nullptr;
  }

  void Number(const char* name, const char* text, std::int64_t* out) {
    if (text && !ParseInt(text, out)) Fail("%s needs an integer, not '%.100s'", name, text);
  }

  void MaxCount(const char* name, const char* text) {
    std::int64_t value = 0;
    Number(name, text, &value);
    if (value < 0) Fail("%s needs a number of hits, 0 or more, not '%.100s'", name, text);
    request().max_count = value;
  }

  void LongOption(const char* body) {
    // Split "name=value"; the name is at most as long as the longest option.
    char name[16] = "--";
    const char* equals = std::strchr(body, '=');
    const std::size_t length = equals ? static_cast<std::size_t>(equals - body) : std::strlen(body);
    const char* value = equals ? equals + 1 : nullptr;
    if (length > sizeof name - 3) return Fail("unknown option '--%.100s'", body);
    std::memcpy(name + 2, body, length);
    name[2 + length] = '\0';

    struct Flag {
      const char* name;
      bool* target;
    };
    const Flag flags[] = {
        {"--all", &request().all},     {"--raw", &request().raw},   {"--count", &request().count},
        {"--quiet", &request().quiet}, {"--silent", &request().quiet}, {"--help", &help_},
        {"--version", &version_},
    };
    for (const Flag& flag : flags) {
      if (Equal(name, flag.name)) {
        if (value) return Fail("%s takes no value", name);
        *flag.target = true;
        return;
      }
    }
    const struct {
      const char* name;
      Format format;
    } formats[] = {{"--json", Format::Json}, {"--table", Format::Table}, {"--lines", Format::Lines}};
    for (const auto& format : formats) {
      if (Equal(name, format.name)) {
        if (value) return Fail("%s takes no value", name);
        if (request().format != Format::Default && request().format != format.format) {
          return Fail("--json, --table and --lines exclude each other");
        }
        request().format = format.format;
        return;
      }
    }
    if (Equal(name, "--from")) {
      std::int64_t from = 0;
      Number(name, Value(name, value), &from);
      request().from = static_cast<std::int32_t>(from);
      from_given_ = true;
    } else if (Equal(name, "--max-count")) {
      MaxCount(name, Value(name, value));
    } else if (Equal(name, "--color") || Equal(name, "--colour")) {
      // The value is optional, so it is only ever the part after '='.
      if (!value || Equal(value, "auto")) request().color = When::Auto;
      else if (Equal(value, "always")) request().color = When::Always;
      else if (Equal(value, "never")) request().color = When::Never;
      else Fail("%s takes auto, always or never, not '%.100s'", name, value);
    } else {
      Fail("unknown option '--%.100s'", body);
    }
  }

  void ShortOptions(const char* argument) {
    for (const char* letter = argument + 1; *letter != '\0'; ++letter) {
      switch (*letter) {
        case 'c': request().count = true; break;
        case 'q': request().quiet = true; break;
        case 'h': help_ = true; break;
        case 'V': version_ = true; break;
        case 'm':
          // -m5, -m 5 and -m=5 alike; the value ends the cluster.
          MaxCount("-m", Value("-m", letter[1] == '=' ? letter + 2 : letter[1] ? letter + 1 : nullptr));
          return;
        default:
          if (argument[2] == '\0') return Fail("unknown option '%s'", argument);
          return Fail("unknown option '-%c' in '%.100s'", *letter, argument);
      }
    }
  }

  void Positional(const char* argument) {
    if (request().command == Command::None) {
      if (Equal(argument, "get")) request().command = Command::Get;
      else if (Equal(argument, "search")) request().command = Command::Search;
      else if (Equal(argument, "filter")) request().command = Command::Filter;
      else Fail("unknown command '%.100s' (get, search or filter)", argument);
    } else if (!request().operand) {
      request().operand = argument;
    } else {
      Fail("extra argument '%.100s'", argument);
    }
  }

  void Check() {
    Request& r = request();
    if (r.command == Command::None) return Fail("missing command (get, search or filter)");
    static const char* const operands[] = {"", "INDEX", "TEXT", "TERMS"};
    if (!r.operand) return Fail("missing %s", operands[static_cast<int>(r.command)]);
    if (r.command == Command::Get) {
      const char* paging = r.all ? "--all" : from_given_ ? "--from" : r.count ? "--count" : r.max_count >= 0 ? "--max-count" : nullptr;
      if (paging) return Fail("%s applies to search and filter, not get", paging);
      std::int64_t index = 0;
      if (!ParseInt(r.operand, &index)) return Fail("INDEX needs an integer, not '%.100s'", r.operand);
      r.index = static_cast<std::int32_t>(index);
    }
  }

  int argc_;
  char** argv_;
  int next_ = 1;
  Parsed parsed_;
  bool failed_ = false;
  bool help_ = false;
  bool version_ = false;
  bool from_given_ = false;
};

}  // namespace

Parsed ParseArguments(int argc, char** argv) { return Parser(argc, argv).Run(); }

}  // namespace cli
