#include "arguments.h"

#include <cstdio>
#include <cstring>

#include "options.h"

namespace cli {

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
    // An option that makes no sense stays an error whatever else is asked; help and version
    // only set aside what the command and its operand lack.
    if (option_failed_) return Failed(option_error_);
    if (help_) parsed_.outcome = Parsed::Outcome::Help;
    else if (version_) parsed_.outcome = Parsed::Outcome::Version;
    else if (shape_error_[0] != '\0') return Failed(shape_error_);
    else Check();
    return parsed_;
  }

 private:
  Parsed Failed(const char* error) {
    parsed_.outcome = Parsed::Outcome::UsageError;
    std::snprintf(parsed_.error, sizeof parsed_.error, "%s", error);
    return parsed_;
  }

  // A bad option or value: the first one is the one to tell.
  template <typename... Args>
  void Fail(const char* format, Args... args) {
    if (option_failed_) return;
    option_failed_ = true;
    std::snprintf(option_error_, sizeof option_error_, format, args...);
  }

  // A command, operand or combination that makes no sense.
  template <typename... Args>
  void FailShape(const char* format, Args... args) {
    if (shape_error_[0] == '\0') std::snprintf(shape_error_, sizeof shape_error_, format, args...);
  }

  Request& request() { return parsed_.request; }

  std::int64_t Number(const char* name, const char* text) {
    std::int64_t value = 0;
    if (!ParseInt(text, &value)) Fail("%s needs an integer, not '%.100s'", name, text);
    return value;
  }

  void SetFormat(const char* name, Format format) {
    if (request().format != Format::Default && request().format != format) {
      return Fail("--json, --table and --lines exclude each other (%s)", name);
    }
    request().format = format;
  }

  // Carries out `option`, given as `name`, with its value (null when it has none).
  void Apply(const Option& option, const char* name, const char* value) {
    if (value && !TakesValue(option, value)) {
      char values[64];
      ListValues(option, values, sizeof values);
      return Fail("%s takes %s, not '%.100s'", name, values, value);
    }
    Request& r = request();
    switch (option.id) {
      case OptionId::From:
        r.from = static_cast<std::int32_t>(Number(name, value));
        from_given_ = true;
        break;
      case OptionId::MaxCount: {
        const std::int64_t most = Number(name, value);
        if (most < 0) Fail("%s needs a number of hits, 0 or more, not '%.100s'", name, value);
        r.max_count = most;
        break;
      }
      case OptionId::All: r.all = true; break;
      case OptionId::Count: r.count = true; break;
      case OptionId::Quiet: r.quiet = true; break;
      case OptionId::Raw: r.raw = true; break;
      case OptionId::Json: SetFormat(name, Format::Json); break;
      case OptionId::Table: SetFormat(name, Format::Table); break;
      case OptionId::Lines: SetFormat(name, Format::Lines); break;
      case OptionId::Color:
        r.color = !value || Equal(value, "auto") ? When::Auto : Equal(value, "always") ? When::Always : When::Never;
        break;
      case OptionId::Version: version_ = true; break;
      case OptionId::Help: help_ = true; break;
    }
  }

  // The value of an option that needs one: attached, else the next argument.
  const char* Value(const char* name, const char* attached) {
    if (attached) return attached;
    if (next_ < argc_) return argv_[next_++];
    Fail("%s needs a value", name);
    return nullptr;
  }

  void LongOption(const char* body) {
    const char* equals = std::strchr(body, '=');
    const std::size_t length = equals ? static_cast<std::size_t>(equals - body) : std::strlen(body);
    const Option* option = FindLong(body, length);
    if (!option) return Fail("unknown option '--%.100s'", body);
    char name[24];
    std::snprintf(name, sizeof name, "--%.*s", static_cast<int>(length), body);
    const char* value = equals ? equals + 1 : nullptr;
    switch (option->takes) {
      case Takes::Nothing:
        if (value) return Fail("%s takes no value", name);
        break;
      case Takes::Value:
        value = Value(name, value);
        if (!value) return;
        break;
      case Takes::OptionalValue: break;
    }
    Apply(*option, name, value);
  }

  void ShortOptions(const char* argument) {
    for (const char* letter = argument + 1; *letter != '\0'; ++letter) {
      const Option* option = FindShort(*letter);
      if (!option) {
        if (argument[2] == '\0') return Fail("unknown option '%s'", argument);
        return Fail("unknown option '-%c' in '%.100s'", *letter, argument);
      }
      const char name[3] = {'-', *letter, '\0'};
      if (option->takes == Takes::Nothing) {
        Apply(*option, name, nullptr);
        continue;
      }
      // -m5, -m 5 and -m=5 alike; the value ends the cluster.
      const char* value = Value(name, letter[1] == '=' ? letter + 2 : letter[1] ? letter + 1 : nullptr);
      if (value) Apply(*option, name, value);
      return;
    }
  }

  void Positional(const char* argument) {
    if (request().command == Command::None) {
      if (Equal(argument, "get")) request().command = Command::Get;
      else if (Equal(argument, "search")) request().command = Command::Search;
      else if (Equal(argument, "filter")) request().command = Command::Filter;
      else FailShape("unknown command '%.100s' (get, search or filter)", argument);
    } else if (!request().operand) {
      request().operand = argument;
    } else {
      FailShape("extra argument '%.100s'", argument);
    }
  }

  void Check() {
    Request& r = request();
    if (r.command == Command::None) return (void)Failed("missing command (get, search or filter)");
    static const char* const operands[] = {"", "INDEX", "TEXT", "TERMS"};
    char error[64];
    if (!r.operand) {
      std::snprintf(error, sizeof error, "missing %s", operands[static_cast<int>(r.command)]);
      return (void)Failed(error);
    }
    if (r.command == Command::Get) {
      const char* paging = r.all ? "--all" : from_given_ ? "--from" : r.count ? "--count" : r.max_count >= 0 ? "--max-count" : nullptr;
      if (paging) {
        std::snprintf(error, sizeof error, "%s applies to search and filter, not get", paging);
        return (void)Failed(error);
      }
      std::int64_t index = 0;
      if (!ParseInt(r.operand, &index)) {
        char message[160];
        std::snprintf(message, sizeof message, "INDEX needs an integer, not '%.100s'", r.operand);
        return (void)Failed(message);
      }
      r.index = static_cast<std::int32_t>(index);
    }
  }

  int argc_;
  char** argv_;
  int next_ = 1;
  Parsed parsed_;
  bool option_failed_ = false;
  char option_error_[sizeof parsed_.error] = {};
  char shape_error_[sizeof parsed_.error] = {};
  bool help_ = false;
  bool version_ = false;
  bool from_given_ = false;
};

}  // namespace

Parsed ParseArguments(int argc, char** argv) { return Parser(argc, argv).Run(); }

}  // namespace cli
