// Carrying out a request with the library's three calls, and saying on standard error what the
// answers alone wouldn't.
#ifndef TUNELEDGER_CLI_RUN_H
#define TUNELEDGER_CLI_RUN_H

#include "arguments.h"
#include "output.h"

namespace cli {

constexpr int ExitFound = 0;
constexpr int ExitNone = 1;
constexpr int ExitTrouble = 2;  // a usage error, or the output or a message could not be written

int Run(const Request& request, Stream& out, Stream& err);

}  // namespace cli

#endif
