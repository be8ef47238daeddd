// The command line's arguments: what they ask for, or why they make no sense.
#ifndef TUNELEDGER_CLI_ARGUMENTS_H
#define TUNELEDGER_CLI_ARGUMENTS_H

#include <cstdint>

namespace cli {

enum class Command { None, Get, Search, Filter };
enum class When { Auto, Always, Never };
enum class Format { Default, Lines, Json, Table };  // Default: a table on a terminal, else lines

struct Request {
  Command command = Command::None;
  const char* operand = nullptr;  // INDEX, TEXT or TERMS, as given
  std::int32_t index = 0;         // get's INDEX as a number
  std::int32_t from = 0;
  bool all = false;
  bool raw = false;
  bool count = false;
  bool quiet = false;
  std::int64_t max_count = -1;  // -1: no maximum
  Format format = Format::Default;
  When color = When::Auto;
};

struct Parsed {
  enum class Outcome { Run, Help, Version, UsageError } outcome = Outcome::Run;
  Request request;
  char error[320] = {};  // for a usage error: what is wrong, naming the argument
};

// Reads argv[1, argc), UTF-8 on every platform, with the options of options.h. Options may come
// before, between or after the command and its operand; "--" ends them. An unknown option, a
// bad value or options that exclude each other are a usage error whatever else is given;
// otherwise -h/--help, then -V/--version, win over a missing or unknown command or operand.
Parsed ParseArguments(int argc, char** argv);

}  // namespace cli

#endif
