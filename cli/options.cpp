#include "options.h"

#include <cstdio>
#include <cstring>

#include "tuneledger.h"

namespace cli {

#define TUNELEDGER_CLI_TEXT(x) #x
#define TUNELEDGER_CLI_NUMBER(x) TUNELEDGER_CLI_TEXT(x)

// Help lines end by column 80: 55 characters from HelpColumn.
const Option Options[] = {
    {OptionId::From, '\0', {"from"}, Takes::Value, "N", {},
     "start searching at entry N (default 0)"},
    {OptionId::All, '\0', {"all"}, Takes::Nothing, nullptr, {},
     "print every hit from N on"},
    {OptionId::MaxCount, 'm', {"max-count"}, Takes::Value, "N", {},
     "print at most N hits (N >= 0), paging like --all"},
    {OptionId::Count, 'c', {"count"}, Takes::Nothing, nullptr, {},
     "print only the number of hits from N on (at most N\n"
     "with -m)"},
    {OptionId::Quiet, 'q', {"quiet", "silent"}, Takes::Nothing, nullptr, {},
     "print nothing, not even \"NOT FOUND!\"; the exit\n"
     "status tells"},
    {OptionId::Json, '\0', {"json"}, Takes::Nothing, nullptr, {},
     "JSON Lines: one JSON object a line, with index,\n"
     "entry, performer, title, listings, top_ten,\n"
     "best_position, times_at_best (0 when none),\n"
     "best_single and total"},
    {OptionId::Table, '\0', {"table"}, Takes::Nothing, nullptr, {},
     "aligned columns with a header, fitted to the\n"
     "terminal's width (COLUMNS, when set, wins); the\n"
     "default when standard output is a terminal and\n"
     "--json and --raw are absent"},
    {OptionId::Lines, '\0', {"lines"}, Takes::Nothing, nullptr, {},
     "one answer a line, as INDEX-ENTRY (the default\n"
     "when standard output is not a terminal)"},
    {OptionId::Color, '\0', {"color", "colour"}, Takes::OptionalValue, "WHEN", {"auto", "always", "never"},
     "highlight what matched (each term of a filter);\n"
     "auto, the default, colours on a terminal unless\n"
     "NO_COLOR is set and not empty"},
    {OptionId::Raw, '\0', {"raw"}, Takes::Nothing, nullptr, {},
     "show and query the library's characters unchanged\n"
     "(see below)"},
    {OptionId::Version, 'V', {"version"}, Takes::Nothing, nullptr, {},
     "print the version"},
    {OptionId::Help, 'h', {"help"}, Takes::Nothing, nullptr, {},
     "print this help"},
};
const std::size_t OptionCount = sizeof Options / sizeof Options[0];

namespace {

constexpr char HelpHead[] =
    "Usage: tuneledger [OPTION]... get INDEX\n"
    "       tuneledger [OPTION]... search TEXT\n"
    "       tuneledger [OPTION]... filter TERMS\n"
    "\n"
    "Reads and searches the chart table of song entries (entries 0 to "
    TUNELEDGER_CLI_NUMBER(TUNELEDGER_LAST_INDEX) ").\n"
    "\n"
    "Commands:\n"
    "  get INDEX      print entry INDEX, or \"Out of range\" on stderr\n"
    "  search TEXT    print the first entry from N on that contains TEXT, ignoring\n"
    "                 the case of A to Z, as INDEX-ENTRY; or \"NOT FOUND!\" on stderr\n"
    "  filter TERMS   like search, for an entry that contains every term of TERMS;\n"
    "                 a term is closed by ';' (\"love;night;\"); text after the last\n"
    "                 ';' takes no part\n"
    "\n"
    "Options:\n";

constexpr char HelpTail[] =
    "\n"
    "INDEX and N are decimal integers; values beyond 32 bits count as the nearest\n"
    "32-bit value. A value may follow its option as the next argument or after '='\n"
    "(--from=5, -m5, -m 5). Options may come anywhere. An argument starting with '-'\n"
    "is an option, except a lone '-' and a negative number; put a TEXT that starts\n"
    "with '-' after a lone \"--\".\n"
    "\n"
    "Entries are stored as bytes, and the library reads each byte as a Windows-1252\n"
    "character. By default every well-formed UTF-8 sequence of an answer prints as\n"
    "itself and any other byte as its Windows-1252 character (\"Caf\xC3\xA9\"); the query's\n"
    "UTF-8 bytes are searched for as they are. With --raw, answers show the\n"
    "library's characters (\"Caf\xC3\x83\xC2\xA9\") and the query is passed as its own characters,\n"
    "so \"Caf\xC3\x83\xC2\xA9\" with --raw finds what \"Caf\xC3\xA9\" finds without it.\n"
    "\n"
    "Warnings on stderr: text after the last ';' of a filter, which takes no part;\n"
    "a text or term longer than the longest entry ("
    TUNELEDGER_CLI_NUMBER(TUNELEDGER_LONGEST_TEXT) " characters), which nothing\n"
    "contains; a filter of more than " TUNELEDGER_CLI_NUMBER(TUNELEDGER_LONGEST_FILTER)
    " characters, which nothing passes; --raw\n"
    "characters outside Windows-1252, searched as '?'.\n"
    "\n"
    "Exit status: 0 an entry or hit was found; 1 none (\"NOT FOUND!\" or \"Out of\n"
    "range\"); 2 a usage error, or the output or a message could not be written.\n";

// Where an option's help starts; a longer head puts it on the next line.
constexpr std::size_t HelpColumn = 25;

bool Equal(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// "  -m, --max-count=N", "      --color[=WHEN], --colour[=WHEN]".
std::size_t WriteHead(const Option& option, char* out) {
  char* const start = out;
  out += option.letter ? std::sprintf(out, "  -%c, ", option.letter) : std::sprintf(out, "      ");
  for (std::size_t n = 0; n < 3 && option.names[n]; ++n) {
    if (n > 0) out += std::sprintf(out, ", ");
    out += std::sprintf(out, "--%s", option.names[n]);
    if (option.takes == Takes::Value) out += std::sprintf(out, "=%s", option.value_name);
    if (option.takes == Takes::OptionalValue) out += std::sprintf(out, "[=%s]", option.value_name);
  }
  return static_cast<std::size_t>(out - start);
}

// Each line of `text` from HelpColumn on, the first after `used` columns of head.
void WriteIndented(Stream& out, const char* text, std::size_t used) {
  static const char spaces[HelpColumn + 1] = "                         ";
  while (*text != '\0') {
    out.Write(spaces, HelpColumn - used);
    const char* end = std::strchr(text, '\n');
    const std::size_t length = end ? static_cast<std::size_t>(end - text) : std::strlen(text);
    out.Write(text, length);
    out.Write("\n", 1);
    text += length + (end ? 1 : 0);
    used = 0;
  }
}

}  // namespace

const Option* FindLong(const char* name, std::size_t length) {
  for (const Option& option : Options) {
    for (std::size_t n = 0; n < 3 && option.names[n]; ++n) {
      if (std::strlen(option.names[n]) == length && std::strncmp(option.names[n], name, length) == 0) {
        return &option;
      }
    }
  }
  return nullptr;
}

const Option* FindShort(char letter) {
  for (const Option& option : Options) {
    if (letter != '\0' && option.letter == letter) return &option;
  }
  return nullptr;
}

bool TakesValue(const Option& option, const char* value) {
  if (!option.values[0]) return true;
  for (std::size_t v = 0; v < 4 && option.values[v]; ++v) {
    if (Equal(option.values[v], value)) return true;
  }
  return false;
}

void ListValues(const Option& option, char* out, std::size_t size) {
  std::size_t count = 0;
  while (count < 4 && option.values[count]) ++count;
  std::size_t used = 0;
  out[0] = '\0';
  for (std::size_t v = 0; v < count && used < size; ++v) {
    const char* joint = v == 0 ? "" : v + 1 == count ? " or " : ", ";
    const int written = std::snprintf(out + used, size - used, "%s%s", joint, option.values[v]);
    if (written < 0) return;
    used += static_cast<std::size_t>(written);
  }
}

void WriteHelp(Stream& out) {
  out.Write(HelpHead);
  for (const Option& option : Options) {
    char head[128];
    std::size_t used = WriteHead(option, head);
    out.Write(head, used);
    if (used + 2 > HelpColumn) {
      out.Write("\n", 1);
      used = 0;
    }
    WriteIndented(out, option.help, used);
    if (option.values[0]) {
      // "WHEN: auto, always, never"
      char line[96];
      int length = std::snprintf(line, sizeof line, "%s:", option.value_name);
      for (std::size_t v = 0; v < 4 && option.values[v]; ++v) {
        length += std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), "%s %s",
                                v == 0 ? "" : ",", option.values[v]);
      }
      WriteIndented(out, line, 0);
    }
  }
  out.Write(HelpTail);
}

}  // namespace cli
