// tuneledger: reads and searches the chart table from a shell.
//
// A host of the library like any other: it links the shared library (TUNELEDGER.dll on
// Windows) and includes only the public header. arguments.cpp reads the command line, text.cpp
// converts between UTF-8, UTF-16 and the code page, run.cpp asks the library, answers.cpp
// shapes its answers, and output.cpp writes them.
//
// It uses no C++ runtime (no exceptions, no operator new, no standard containers), so it starts
// as fast as a C program: nothing but the C library and the TuneLedger library is loaded.
#include <cstdio>
#include <cstdlib>

#include "arguments.h"
#include "options.h"
#include "output.h"
#include "run.h"
#include "text.h"
#include "tuneledger.h"

namespace {

#define TUNELEDGER_STRING(x) #x
#define TUNELEDGER_VERSION_TEXT(a, b, c, d) \
  TUNELEDGER_STRING(a) "." TUNELEDGER_STRING(b) "." TUNELEDGER_STRING(c) "." TUNELEDGER_STRING(d)
constexpr char VersionLine[] =
    "tuneledger " TUNELEDGER_VERSION_TEXT(TUNELEDGER_VERSION_MAJOR, TUNELEDGER_VERSION_MINOR,
                                          TUNELEDGER_VERSION_PATCH, TUNELEDGER_VERSION_TWEAK);

// Statics, not locals: each holds a large buffer.
cli::Stream out(cli::Stream::Output);
cli::Stream err(cli::Stream::Error);

int Main(int argc, char** argv) {
  const cli::Parsed parsed = cli::ParseArguments(argc, argv);
  int status = cli::ExitFound;
  switch (parsed.outcome) {
    case cli::Parsed::Outcome::UsageError:
      err.Write("tuneledger: ");
      err.Write(parsed.error);
      err.EndLine();
      err.Write("Try 'tuneledger --help'.");
      err.EndLine();
      return cli::ExitTrouble;
    case cli::Parsed::Outcome::Help:
      cli::WriteHelp(out);
      break;
    case cli::Parsed::Outcome::Version:
      out.Write(VersionLine);
      out.EndLine();
      break;
    case cli::Parsed::Outcome::Run:
      status = cli::Run(parsed.request, out, err);
      break;
  }
  if (!out.Flush()) {
    err.Write("tuneledger: could not write the output: ");
    err.Write(out.FailureReason());
    err.EndLine();
    return cli::ExitTrouble;
  }
  // A message that could not be written ("NOT FOUND!", a warning) left the user uninformed: as
  // much trouble as an answer that could not be written, not a plain "none found".
  if (err.Failed()) return cli::ExitTrouble;
  return status;
}

}  // namespace

#if defined(_WIN32)
// Windows hands a program its arguments as UTF-16: take them so, as UTF-8 from here on, so
// "search Björn" means the same on every platform whatever the console's code page.
int wmain(int argc, wchar_t** wide_argv) {
  char** argv = static_cast<char**>(std::malloc((static_cast<std::size_t>(argc) + 1) * sizeof(char*)));
  if (!argv) return cli::ExitTrouble;
  for (int i = 0; i < argc; ++i) {
    argv[i] = cli::Utf8FromUtf16(reinterpret_cast<const char16_t*>(wide_argv[i]));
    if (!argv[i]) return cli::ExitTrouble;
  }
  argv[argc] = nullptr;
  return Main(argc, argv);
}
#else
int main(int argc, char** argv) { return Main(argc, argv); }
#endif
