#!/usr/bin/env bash
# Makes wine ready to run a Windows build's tests, headless, or stops it again.
#
#   tools/wine-env.sh start   create the prefix if it is missing, start wine's services
#   tools/wine-env.sh stop    end every wine process of the prefix
#
# The prefix is $WINEPREFIX, or build/wineprefix when that is unset; CI sets it once per run.
#
# Why the services start here rather than in the first test: whatever starts wineserver and
# wine's background programs lends them its output, and CTest waits for a test's output to
# close. Started here with their output sent nowhere, they stay out of every test's way.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No dialogs offering to download Mono and Gecko: the tests need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

quietly() { "$@" </dev/null >/dev/null 2>&1; }

start() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the wine prefix $WINEPREFIX"
    quietly wineboot -i
    quietly wineserver -w
  fi
  # Stays up until stopped, so the tests' wine processes all share this one server. Fails
  # harmlessly when a server already runs for this prefix.
  quietly wineserver -p || true
  quietly wine cmd /c exit
}

stop() {
  quietly wineserver -k || true
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
