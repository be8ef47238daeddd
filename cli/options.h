// The command line's options, each defined once: the parser reads them from here and the help
// is written from here. The manual page, the bash completion and cli/README.md are held to this
// table by cli/options_test.py, which reads it back from --help.
#ifndef TUNELEDGER_CLI_OPTIONS_H
#define TUNELEDGER_CLI_OPTIONS_H

#include <cstddef>

#include "output.h"

namespace cli {

enum class OptionId { From, All, MaxCount, Count, Quiet, Json, Table, Lines, Color, Raw, Version, Help };

enum class Takes {
  Nothing,
  Value,          // after '=' (--from=5), attached to a short name (-m5) or as the next argument
  OptionalValue,  // only after '=': "--color never" is --color and a word of its own
};

struct Option {
  OptionId id;
  char letter;                // the short name, or '\0'
  const char* names[3];       // the long names without "--": the name, then its aliases; null-ended
  Takes takes;
  const char* value_name;     // "N", "WHEN"; null when it takes nothing
  const char* values[4];      // the only values it takes, null-ended; none listed: a number
  const char* help;           // one or more lines, '\n' between them
};

extern const Option Options[];
extern const std::size_t OptionCount;

// The option of a long name (without "--", `length` bytes of it), or of a short letter; null
// when there is none.
const Option* FindLong(const char* name, std::size_t length);
const Option* FindShort(char letter);
// Whether `value` is one that `option` takes (any value when it lists none).
bool TakesValue(const Option& option, const char* value);
// "auto, always or never": the values `option` takes, for a message.
void ListValues(const Option& option, char* out, std::size_t size);

// The whole of --help: usage, commands, every option of the table, then the rules.
void WriteHelp(Stream& out);

}  // namespace cli

#endif
